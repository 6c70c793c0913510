// The desktop a thread gets when neither the host nor the environment chose one: real windows
// where a person can see them, found when the first window is needed, never a silent answer.
#pragma once

#include <qvMsgErr/headless.h>
#include <qvMsgErr/platform.h>

#include <memory>
#include <string>

namespace qvMsgErr {

/// Stands for the window system until a window is needed, then forwards to the real desktop:
/// the default factory's (the Qt desktop on the thread of a QApplication), else the platform's
/// window system (platform::findWindowSystem): on Linux the Qt desktop library, loaded on
/// demand, which may start an application on the main thread of a program that has none; on
/// Windows the Win32 desktop. Where no window can be shown, every operation that would show one
/// raises RunTimeError err::NoWindows saying why and what to do; what needs no window (dates, the
/// component directory, files) works all the same.
class AutoDesktop final : public platform::Desktop {
public:
    AutoDesktop();

    /// The desktop forwarded to, or nullptr while none was found.
    const platform::Desktop* resolved() const { return real_.get(); }

    std::string name() const override;
    std::unique_ptr<platform::Window> createWindow(const platform::FormDesign& design) override;
    int32_t systemMessageBox(const std::string& prompt, int32_t flags, const std::string& title,
                             const std::string& helpFile, int32_t context) override;
    void beep(int32_t soundType) override;
    bool setTopmost(platform::WindowHandle window, bool topmost) override;
    void showHelp(const std::string& helpFile, int32_t command, int32_t context) override;
    float screenWidth() const override;
    float screenHeight() const override;
    std::string applicationTitle() const override;
    std::string componentDirectory() const override;
    std::string currentDirectory() const override;
    std::string dateTimeText(platform::DateFormat format) const override;
    platform::PrinterChoice choosePrinter(int32_t flags) override;
    void printDocument(const platform::PrinterChoice& printer,
                       const platform::FormattedDocument& doc) override;
    platform::SaveDialogResult
    chooseSaveFile(const platform::SaveDialogSettings& settings) override;
    void saveFile(const std::string& path, const std::string& bytes) override;
    void shellOpen(const std::string& target) override;
    void copyText(const std::string& text) override;

private:
    /// What answers questions that need no window: the real desktop once found, else a quiet
    /// headless one (real clock, no record).
    platform::Desktop& environment() const;
    /// The real desktop, found or started now; RunTimeError err::NoWindows when there is none.
    platform::Desktop& windows();

    mutable std::shared_ptr<platform::Desktop> real_;
    mutable headless::HeadlessDesktop fallback_;
};

#ifndef _WIN32
/// Where the Qt desktop library is loaded from on demand: beside the core library, else the
/// system's library path (support/window_system_linux.cpp).
std::string qtDesktopLibraryName();
#endif

} // namespace qvMsgErr
