// Brelon3: the operator program.
#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "app/main_frame.h"
#include "app/qt_ui_services.h"
#include "app/velmo_app.h"

namespace {

// A termination request (SIGTERM, SIGINT, SIGHUP: the session ends, or an operator presses
// Ctrl+C in a terminal) is a close request of the main window (CMainFrame::OnTerminationRequest):
// granted, it ends every box left open or still to come as refused (an unattended run stuck on
// an error is stopped by one request) and the program ends through its ordered shutdown;
// refused while a bar runs, it changes nothing. Before the main window exists it ends the
// start-up's boxes and closes the window once start-up has made it.
int g_signalPipe[2] = {-1, -1};
// A request handled before the main window exists (start-up showing its boxes) closes the
// window once start-up has made it.
bool g_closePending = false;

void OnTerminationSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

void InstallCloseOnSignal(QObject* parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [] {
        char buffer[16];
        while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        if (MainFrame != nullptr) {
            MainFrame->OnTerminationRequest();
        } else {
            app::EndAllMessageBoxes();
            g_closePending = true;
        }
    });
    struct sigaction action = {};
    action.sa_handler = &OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Numbers in files and part programs are always in the C conventions.
    std::setlocale(LC_NUMERIC, "C");

    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    // Installed first: a request arriving during start-up is kept and acted on once the
    // window's event loop runs.
    InstallCloseOnSignal(&application);
    CVelmoApp theApp;
    CVelmoApp::Options options;
    options.commandLine = commandLine;
    switch (theApp.InitInstance(options)) {
    case CVelmoApp::kSecondInstance: return -1;
    case CVelmoApp::kFailed: return 1;
    case CVelmoApp::kStarted: break;
    }
    // Acted on once the event loop runs, where closing the last window ends it.
    if (g_closePending)
        QTimer::singleShot(0, &application, [] {
            if (MainFrame != nullptr) MainFrame->OnTerminationRequest();
        });
    const int result = QApplication::exec();
    theApp.ExitInstance();
    return result;
}
