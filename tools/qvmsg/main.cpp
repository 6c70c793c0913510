// qvmsg: message boxes and error dialogs for shell scripts, on the qvMsgErr library.
#include "cli.h"

#include <qvMsgErr/apartment.h>
#include <qvMsgErr/qvMsgErr.h>

#include <array>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include <unistd.h>

namespace qvmsg {

namespace {

/// `text` as a JSON string; bytes that are not UTF-8 become U+FFFD, so the output always parses.
std::string json(const std::string& text) {
    std::string out = "\"";
    for (const char ch : wellFormed(text)) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            static const char* const kHex = "0123456789abcdef";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

const char* boolean(bool value) {
    return value ? "true" : "false";
}

int message(const Invocation& inv, qvMsgErr::clsMesgBox& box) {
    // The library's own windows are what this program is for; --style standard still asks for
    // the system's box.
    box.MsgBoxType(qvMsgErr::Tessary2003);
    for (const auto& option : inv.options) {
        option(box);
    }
    std::unique_ptr<qvMsgErr::FixedForm> parent;
    if (inv.parent) {
        const auto& p = *inv.parent;
        parent = std::make_unique<qvMsgErr::FixedForm>(p[0], p[1], p[2], p[3]);
    }
    const int32_t answer = box.msgBox(inv.prompt, inv.flags, inv.title, inv.helpFile, inv.context,
                                      inv.messageID, parent.get());
    const auto number = static_cast<qvMsgErr::qvButtonNumbers>(answer);
    if (inv.print) {
        std::cout << box.ResolveButtonNameText(number, inv.lowerCase) << '\n';
    }
    if (inv.json) {
        std::cout << "{\"button\":" << answer
                  << ",\"name\":" << json(box.ResolveButtonNameText(number, inv.lowerCase))
                  << ",\"TimeOutOccured\":" << boolean(box.TimeOutOccured)
                  << ",\"DontShowAgainTicked\":" << boolean(box.DontShowAgainTicked()) << "}\n";
    }
    return exitStatus(inv.exitStyle, answer, box.TimeOutOccured);
}

int error(const Invocation& inv, Desk& desk) {
    qvMsgErr::clsError e;
    for (const auto& option : inv.errorOptions) {
        option(e);
    }
    const int16_t response = e.Show(inv.modal, "", 0, "", inv.solution, "");
    if (!inv.modal) {
        desk.settleModeless();
    }
    const bool closedAll = e.AbortPending();
    const int status = closedAll ? kExitClosedAll : inv.modal ? response : 0;
    const std::string name = closedAll ? "Close all" : errorResponseCaption(status);
    if (inv.print) {
        std::cout << (inv.lowerCase ? readable(name) : name) << '\n';
    }
    if (inv.json) {
        std::cout << "{\"response\":" << status << ",\"name\":" << json(name)
                  << ",\"AbortPending\":" << boolean(closedAll) << "}\n";
    }
    // A modeless dialog has no answer to give when qvmsg ends, in either style.
    return inv.modal || closedAll ? exitStatus(inv.exitStyle, status, false) : 0;
}

int memory(const Invocation& inv) {
    qvMsgErr::clsMesgBox box;
    box.Reg_Root(inv.regRoot);
    const std::string& verb = inv.memoryArgs.at(0);
    if (verb == "list") {
        // Written out as the store reads them; printed once all are read, so that a store
        // failing half-way prints nothing but the error.
        std::ostringstream out;
        qvMsgErr::ForEachRememberedAnswer([&](const qvMsgErr::RememberedAnswer& a) {
            const std::string name = box.ResolveButtonNameText(a.ButtonNumber);
            if (inv.json) {
                out << (out.tellp() > 0 ? "," : "") << "{\"id\":" << json(a.MessageID)
                    << ",\"button\":" << a.ButtonNumber << ",\"name\":" << json(name)
                    << ",\"stored\":" << json(a.Stored) << "}";
            } else {
                out << a.MessageID << '\t' << a.ButtonNumber << '\t' << name << '\n';
            }
        });
        std::cout << (inv.json
                          ? "{\"root\":" + json(inv.regRoot) + ",\"answers\":[" + out.str() + "]}\n"
                          : out.str());
        return 0;
    }
    const std::string id = inv.memoryArgs.size() > 1 ? inv.memoryArgs[1] : std::string();
    if (verb == "get") {
        const auto answer = qvMsgErr::FindRememberedAnswer(id);
        if (!answer) {
            return kExitNotRemembered;
        }
        if (inv.json) {
            std::cout << "{\"id\":" << json(answer->MessageID)
                      << ",\"button\":" << answer->ButtonNumber
                      << ",\"name\":" << json(box.ResolveButtonNameText(answer->ButtonNumber))
                      << ",\"stored\":" << json(answer->Stored) << "}\n";
        } else {
            std::cout << answer->ButtonNumber << '\n';
        }
        return 0;
    }
    if (verb == "forget") {
        return qvMsgErr::ForgetAnswer(id) ? 0 : kExitNotRemembered;
    }
    const int32_t forgotten = qvMsgErr::ForgetAllAnswers();
    std::cout << (inv.json ? "{\"forgotten\":" + std::to_string(forgotten) + "}"
                           : "forgot " + std::to_string(forgotten) + " remembered answer" +
                                 (forgotten == 1 ? "" : "s"))
              << '\n';
    return 0;
}

/// Sets an environment variable for this process and the library.
void setEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    ::_putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}

[[maybe_unused]] bool hasValue(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

int usage(const std::string& problem) {
    std::cerr << "qvmsg: " << problem << '\n' << synopsis();
    return kExitUsage;
}

int run(int argc, char** argv) {
    Invocation inv;
    try {
        inv = parse(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        return usage(e.what());
    }
    switch (inv.command) {
    case Command::Help:
        std::cout << help(inv.helpTopic);
        return 0;
    case Command::Version:
        std::cout << "qvmsg (" << qvMsgErr::kProductName << ") " << qvMsgErr::kVersionString
                  << '\n';
        return 0;
    case Command::Manual:
        std::cout << manPage();
        return 0;
    case Command::Completion:
        std::cout << bashCompletion();
        return 0;
    default:
        break;
    }
    if (inv.promptFromInput) {
        try {
            bool cut = false;
            inv.prompt = readMessage(STDIN_FILENO, cut);
            if (cut) {
                std::cerr << "qvmsg: the message on standard input is longer than "
                          << (kInputLimit >> 20) << " MiB; its beginning is shown\n";
            }
        } catch (const BadInput& e) {
            std::cerr << "qvmsg: " << e.what() << '\n';
            return kExitBadInput;
        }
    }
    if (inv.width > 0) {
        inv.prompt = brokenAt(inv.prompt, inv.width);
    }
    if (!inv.store.empty()) {
        setEnvironment("QVMSGERR_REGISTRY", inv.store);
    }

    try {
        if (inv.command == Command::Memory) {
            return memory(inv);
        }
        // Real windows where there is a display; without one, Qt renders offscreen when there
        // is a screenshot to take or a script to answer, and the simulated desktop answers a
        // script without Qt at all.
#ifdef _WIN32
        // Windows always has its window system: a script acts on the Win32 desktop's windows.
        const bool display = true;
#else
        const bool display =
            hasValue("DISPLAY") || hasValue("WAYLAND_DISPLAY") || hasValue("QT_QPA_PLATFORM");
#endif
        // QVMSGERR_DESKTOP=headless: the process runs unattended, as the library does.
        const bool unattended = qvMsgErr::headlessDesktopRequested() && inv.screenshot.empty();
        Platform platform = inv.platform;
        if (platform == Platform::Auto) {
            platform = unattended || (!display && inv.screenshot.empty() && !inv.steps.empty())
                           ? Platform::Headless
                       : display || !inv.screenshot.empty() ? Platform::Windows
                                                            : Platform::Auto;
        }
        if (platform == Platform::Auto || (platform == Platform::Windows && !display &&
                                           inv.steps.empty() && inv.screenshot.empty())) {
            std::cerr << "qvmsg: no display to show the window on (set DISPLAY or "
                         "WAYLAND_DISPLAY, script the user with --answer, or run unattended "
                         "with QVMSGERR_DESKTOP=headless)\n";
            return kExitNoDisplay;
        }
        const WindowSide* side = nullptr;
        bool offscreen = false;
        if (platform == Platform::Windows) {
            std::string why;
            side = loadWindowSide(why);
            if (side != nullptr && display && !side->available(&why)) {
                side = nullptr; // Qt would abort the process on a display it cannot open
            }
            if (side == nullptr) {
                std::cerr << "qvmsg: cannot show a window: " << why << '\n';
                return kExitNoDisplay;
            }
#ifndef _WIN32
            if (!display) {
                setEnvironment("QT_QPA_PLATFORM", "offscreen");
            }
            const std::string qpa =
                std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "";
            offscreen = qpa.rfind("offscreen", 0) == 0 || qpa.rfind("minimal", 0) == 0;
#endif
        }

        // Ends the toolkit after the desk and the box below are gone, whichever way run() leaves.
        const std::unique_ptr<const WindowSide, void (*)(const WindowSide*)> stopping(
            side, [](const WindowSide* s) { s->stop(); });
        qvMsgErr::clsMesgBox box; // also names the buttons for the script
        box.Reg_Root(inv.regRoot);
        const NumberOf numberOf = [&](const std::string& target) -> std::optional<int32_t> {
            if (auto digit = buttonNumberOf(target)) {
                return digit;
            }
            if (auto response =
                    inv.command == Command::Error ? errorResponseNamed(target) : std::nullopt) {
                return response;
            }
            return buttonNamed(target, box);
        };
        const auto desk = side != nullptr ? side->start(argv[0], inv, numberOf, offscreen)
                                          : makeHeadlessDesk(inv, numberOf);
        int status = 0;
        try {
            status = inv.command == Command::Error ? error(inv, *desk) : message(inv, box);
        } catch (const qvMsgErr::RunTimeError&) {
            // A window the script could not answer is taken away without an answer, which the
            // system's box reports as a failure: the script's mistake is the one to tell.
            if (desk->failure().empty()) {
                throw;
            }
        }
        if (!desk->failure().empty()) {
            return usage(desk->failure());
        }
        return status;
    } catch (const UsageError& e) {
        return usage(e.what());
    } catch (const qvMsgErr::RunTimeError& e) {
        std::cerr << "qvmsg: error " << e.Number << ": " << e.Description << " (" << e.Source
                  << ")\n";
        return kExitRunTimeError;
    }
}

} // namespace

} // namespace qvmsg

int main(int argc, char** argv) {
    return qvmsg::run(argc, argv);
}
