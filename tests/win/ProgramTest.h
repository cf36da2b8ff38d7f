// The fixture of the tests that start the real maskaddr.exe. The requests the program makes
// by itself at start (the automatic update, the lookup at "/getinfo", flags) go to a server
// of the test, which answers 404 unless a test sets a reply, and never to the shipped
// service address, where a service of someone else might listen. A program started with -d
// writes its debug trace into the test's own folder.
#pragma once

#include "ProgramDriver.h"
#include "TestHttpServer.h"
#include "WinTestUtil.h"
#include "platform/win32/PlatformWin.h"

#include <gtest/gtest.h>

#include <string>

namespace maskaddr::test {

class TProgramTest : public ::testing::Test {
protected:
    TFileSystemWin Fs;
    TTestHttpServer Service;
    TScratchFolder Dir;
    const std::string Trace = Dir / "trace.log";
    // The pools' proxies: ports of the test's own where nothing answers (a hide needs none).
    const TClosedPort ProxyA{"127.0.0.2"}, ProxyB{"127.0.0.3"}, ProxyC{"127.0.0.4"};

    void SetUp() override;
    // Fails a test that left an instance of the program running.
    void TearDown() override;
    // The built program's user file: the start's requests at Service, then lines, which win.
    void WriteUserFile(const std::string& lines);
    // The same with a pool that needs no update (by default ProxyA in Testland, QQ), and a
    // lookup that places the user at 127.0.0.1 in QQ.
    void WriteHidingUserFile(const std::string& lines, const std::string& pool = "");
    // One entry of a pool: the proxy, then "Country|CODE|longitude|latitude".
    static std::string Entry(const TClosedPort& proxy, const std::string& place) {
        return proxy.Address() + "|" + place + ";";
    }
    std::string StartUp(const TProgram& app, HWND& w) const { return app.StartUp(Trace, w); }
    std::string StartAndHide(const TProgram& app, HWND& w) const { return app.StartAndHide(Trace, w); }
};

// The top-level main windows of every running instance.
int CountMainWindows();

} // namespace maskaddr::test
