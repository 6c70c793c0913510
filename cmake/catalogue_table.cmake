# Turns the catalogues of the library's own texts (translations/qvMsgErr_<language>.ts) into one
# C++ source with a table per language, for a desktop that has no Qt to read them at run time.
#   cmake -DOUTPUT=file.cpp -DCATALOGUES=translations -P catalogue_table.cmake
# Only what a message of such a file holds is read: its context, source and translation. Messages
# whose translation is missing, empty, vanished or obsolete are left out, so the English text
# shows, as with the compiled catalogues.
cmake_minimum_required(VERSION 3.25)

# The text of an XML element as it reads; a character reference would need its code point
# written out as UTF-8, and our catalogues have none: one is refused rather than shown raw.
function(qv_unescape text out)
  if(text MATCHES "&#")
    message(FATAL_ERROR "${ts}: character references are not read: ${text}")
  endif()
  string(REPLACE "&lt;" "<" text "${text}")
  string(REPLACE "&gt;" ">" text "${text}")
  string(REPLACE "&quot;" "\"" text "${text}")
  string(REPLACE "&apos;" "'" text "${text}")
  string(REPLACE "&amp;" "&" text "${text}") # last: "&amp;lt;" stands for "&lt;"
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# `text` as a C++ string literal, UTF-8 bytes as they are.
function(qv_literal text out)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  string(REPLACE "\n" "\\n" text "${text}")
  string(REPLACE "\r" "\\r" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

# The next message of `text` at or after `from` (from "<message" to "</message>"), what comes
# between `from` and it, and where the search goes on; -1 as `next` when there is none.
function(qv_next_message text from message before next)
  string(SUBSTRING "${text}" ${from} -1 rest)
  string(FIND "${rest}" "<message" begin)
  string(FIND "${rest}" "</message>" end)
  if(begin EQUAL -1 OR end EQUAL -1)
    set(${next} -1 PARENT_SCOPE)
    return()
  endif()
  math(EXPR length "${end} + 10 - ${begin}") # 10: "</message>"
  string(SUBSTRING "${rest}" ${begin} ${length} found)
  string(SUBSTRING "${rest}" 0 ${begin} gap)
  math(EXPR after "${from} + ${end} + 10")
  set(${message} "${found}" PARENT_SCOPE)
  set(${before} "${gap}" PARENT_SCOPE)
  set(${next} ${after} PARENT_SCOPE)
endfunction()

file(GLOB catalogues "${CATALOGUES}/qvMsgErr_*.ts")
set(tables "")
set(languages "")
foreach(ts IN LISTS catalogues)
  get_filename_component(stem "${ts}" NAME_WE)
  string(REGEX REPLACE "^qvMsgErr_" "" language "${stem}")
  file(READ "${ts}" xml)
  set(rows "")
  set(at 0)
  while(TRUE)
    qv_next_message("${xml}" ${at} entry before at)
    if(at EQUAL -1)
      break()
    endif()
    # A context's name stands before its first message.
    if(before MATCHES "<name>([^<]*)</name>")
      qv_unescape("${CMAKE_MATCH_1}" name)
      qv_literal("${name}" name)
    endif()
    if(NOT entry MATCHES "<source>([^<]*)</source>")
      continue()
    endif()
    set(source "${CMAKE_MATCH_1}")
    if(NOT entry MATCHES "<translation( [^>]*)?>([^<]+)</translation>")
      continue()
    endif()
    set(translation "${CMAKE_MATCH_2}")
    if(CMAKE_MATCH_1 MATCHES "vanished|obsolete")
      continue()
    endif()
    qv_unescape("${source}" source)
    qv_unescape("${translation}" translation)
    qv_literal("${source}" source)
    qv_literal("${translation}" translation)
    string(APPEND rows "    {${name}, ${source}, ${translation}},\n")
  endwhile()
  string(APPEND tables "constexpr CatalogueText k_${language}[] = {\n${rows}};\n")
  string(APPEND languages "        {\"${language}\", k_${language}},\n")
endforeach()

file(WRITE "${OUTPUT}" "// Made from translations/*.ts by cmake/catalogue_table.cmake at build time.
#include \"platform/win32/win32_desktop_p.h\"

namespace qvMsgErr::win32 {

namespace {

${tables}
} // namespace

std::span<const BuiltInCatalogue> builtInCatalogues() {
    static constexpr BuiltInCatalogue all[] = {
${languages}    };
    return all;
}

} // namespace qvMsgErr::win32
")
