// The one main window: it creates the controls of the control table, paints
// the link line, and hands every event to the commands.
#pragma once

#include "app/commands.h"
#include "win32/window_port.h"

#include <memory>
#include <string>
#include <vector>
#include <windows.h>

namespace zd::win32 {

class Dialogs;
class ListRows;

class MainWindow {
  public:
    MainWindow(HINSTANCE instance, Dialogs& dialogs, std::string publisherHost);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Registers the class and creates the window with its controls, centred
    // and not yet shown; false when the window could not be created, with
    // the system's reason left in GetLastError.
    bool create();

    HWND handle() const { return window_; }
    HWND control(int id) const { return ::GetDlgItem(window_, id); }
    HWND listView() const { return control(300); }
    app::Commands& commands() { return commands_; }
    WindowPort& port() { return port_; }

    // Pixels at 96 DPI in this window's pixels, and back.
    int toWindow(int pixels) const { return ::MulDiv(pixels, dpi_, 96); }
    int fromWindow(int pixels) const { return ::MulDiv(pixels, 96, dpi_); }
    // What a repaint of the link must cover: its hit rectangle, edges
    // included, and the drawn text, which may reach beyond it.
    RECT linkArea() const;

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    void paint();
    void paintLink(HDC dc);
    void drop(HDROP drop);

    HINSTANCE instance_;
    WindowPort port_;
    app::Commands commands_;
    std::unique_ptr<ListRows> rows_;
    HWND window_ = nullptr;
    int dpi_ = 96;
};

// Puts the tools menu, made from the app's table, between File and Help of
// the menu bar the resource script gives.
void addToolsMenu(HMENU bar);

// One turn of the message loop: the message is offered to the accelerators
// first, for the window it is addressed to (so a shortcut reaches the main
// window only while it holds the focus), and only then translated and
// dispatched.
void dispatchMessage(HACCEL accelerators, MSG& message);

// The files and folders named on the program's command line, which it adds
// as a drop adds them.
std::vector<std::string> commandLineFiles(const wchar_t* commandLine);

// Takes messages until the quit message; returns its exit code.
int runMessageLoop(HACCEL accelerators);

} // namespace zd::win32
