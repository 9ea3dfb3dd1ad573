// A desktop of the test's own: Xvfb on a free display (-displayfd, so ctest
// may run several test programs at once) with openbox managing it in its
// stock configuration. A shown window gets what a desktop gives it and
// offscreen does not: a frame, a work area, the window manager's say over
// its size and position, maximize. KLM_DESKTOP_TEST_MAIN runs a Qt Test
// class there on the xcb platform.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <QApplication>
#include <QtTest>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../platform/x_server.h"
#include "desktop_x11.h"

class KlmTestDesktop {
public:
    KlmTestDesktop() : server_({}, "1600x1000x24")
    {
        if (!server_.running()) return;
        char tmpl[] = "/tmp/kolmar-desktop-XXXXXX";
        if (!::mkdtemp(tmpl)) return;
        home_ = tmpl;
        // The stock configuration whatever the user's own is, and nothing
        // of openbox's written outside the temporary folder.
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (entry.rfind("DISPLAY=", 0) == 0 || entry.rfind("XDG_CONFIG_HOME=", 0) == 0 ||
                entry.rfind("XDG_CACHE_HOME=", 0) == 0 || entry.rfind("XDG_DATA_HOME=", 0) == 0)
                continue;
            env.push_back(entry);
        }
        env.push_back("DISPLAY=" + server_.name());
        env.push_back("XDG_CONFIG_HOME=" + home_ + "/config");
        env.push_back("XDG_CACHE_HOME=" + home_ + "/cache");
        env.push_back("XDG_DATA_HOME=" + home_ + "/data");
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string program = "openbox", noSession = "--sm-disable";
        char* argv[] = {program.data(), noSession.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 01 /* O_WRONLY */, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 01, 0);
        if (posix_spawnp(&wm_, "openbox", &actions, nullptr, argv, envp.data()) != 0) wm_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        if (wm_ > 0) managing_ = waitUntilManaged();
    }

    ~KlmTestDesktop()
    {
        if (wm_ > 0) {
            ::kill(wm_, SIGTERM);
            int status = 0;
            ::waitpid(wm_, &status, 0);
        }
        std::error_code ec;
        if (!home_.empty()) std::filesystem::remove_all(home_, ec);
    }

    KlmTestDesktop(const KlmTestDesktop&) = delete;
    KlmTestDesktop& operator=(const KlmTestDesktop&) = delete;

    // The display is up and openbox manages its screen.
    bool running() const { return managing_; }
    const std::string& display() const { return server_.name(); }

private:
    bool waitUntilManaged()
    {
        return klmTestWindowManagerReady(
            server_.name(),
            [this] {
                int status = 0;
                if (::waitpid(wm_, &status, WNOHANG) != wm_) return true;
                wm_ = -1;  // it gave up
                return false;
            },
            10000);
    }

    TestXServer server_;
    pid_t wm_ = -1;
    std::string home_;
    bool managing_ = false;
};

// main() of a Qt Test class on a desktop of its own.
#define KLM_DESKTOP_TEST_MAIN(TestClass)                                                   \
    int main(int argc, char** argv)                                                        \
    {                                                                                      \
        KlmTestDesktop desktop;                                                            \
        if (!desktop.running()) {                                                          \
            std::fprintf(stderr, "no desktop: Xvfb and openbox are needed (scripts/setup.sh)\n"); \
            return 1;                                                                      \
        }                                                                                  \
        qputenv("DISPLAY", desktop.display().c_str());                                     \
        qputenv("QT_QPA_PLATFORM", "xcb");                                                 \
        QApplication app(argc, argv);                                                      \
        TestClass test;                                                                    \
        QTEST_SET_MAIN_SOURCE_PATH                                                         \
        return QTest::qExec(&test, argc, argv);                                            \
    }
