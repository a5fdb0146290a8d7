// The Win32 serial device against a real COM port: scripts/test-windows.sh
// maps a Linux pseudo-terminal to a COM port of Wine's (the registry key
// HKLM\Software\Wine\Ports) and names it in LUMETTO_TEST_COM; the far side
// sends back every byte it receives. Without the variable these tests are
// skipped.
#include "platform/Event.h"
#include "platform/PortNameTable.h"
#include "platform/SerialDevice.h"
#include "platform/SystemError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <windows.h>

namespace {

using Ready = CSerialDevice::Ready;

std::string TestPort() {
    const char* port = std::getenv("LUMETTO_TEST_COM");
    return port ? port : "";
}

bool UnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Opens the test port through the port-name table, as the driver does.
void OpenTestPort(CSerialDevice& port, const std::string& strName) {
    const std::optional<std::string> device = CPortNameTable::FromSystem().Resolve(strName);
    ASSERT_TRUE(device) << strName << " is not in the system's list of COM ports";
    EXPECT_EQ(*device, "\\\\.\\" + strName);
    ASSERT_TRUE(port.Open(*device)) << SystemErrorText(LastSystemError());
    ASSERT_TRUE(port.SetLineSettings({})) << SystemErrorText(LastSystemError());
    ASSERT_TRUE(port.RaiseModemLines()) << SystemErrorText(LastSystemError());
    ASSERT_TRUE(port.Flush()) << SystemErrorText(LastSystemError());
}

// Waits as the monitor thread does and reads all that arrives, until nWant
// bytes came or 20 s passed.
std::string Receive(CSerialDevice& port, std::size_t nWant) {
    CEvent stop, send;
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (got.size() < nWant && std::chrono::steady_clock::now() < deadline) {
        const CSerialDevice::WaitResult r = port.Wait(stop, true, send, 1000);
        if (r.eReady != Ready::Port)
            continue;
        EXPECT_FALSE(r.bHangup);
        std::uint8_t buf[256];
        for (long n; (n = port.Read(buf, sizeof buf)) > 0;)
            got.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n));
        EXPECT_EQ(LastSystemError(), kSystemWouldBlock);
    }
    return got;
}

TEST(Win32Serial, PortQueryListsTheComPort) {
    const std::string name = TestPort();
    if (name.empty())
        GTEST_SKIP() << "LUMETTO_TEST_COM names no COM port";
    const CPortNameTable table = CPortNameTable::FromSystem();
    const auto& entries = table.Entries();
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                            [&](const PortNameEntry& e) { return e.strName == name; }));
    EXPECT_EQ(table.Resolve("\\\\.\\COM99"), "\\\\.\\COM99"); // a device path stands for itself
    EXPECT_FALSE(table.Resolve("COM0"));
}

TEST(Win32Serial, BytesGoOutAndComeBackThroughTheWait) {
    const std::string name = TestPort();
    if (name.empty())
        GTEST_SKIP() << "LUMETTO_TEST_COM names no COM port";
    CSerialDevice port;
    OpenTestPort(port, name);
    // Bytes that mean something to a terminal pass unchanged in raw mode.
    std::string text = "stx_data\r\n\x03\x11\x13";
    text.append(3000, '\x55');
    const std::size_t sent =
        port.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), 20000);
    ASSERT_EQ(sent, text.size()) << SystemErrorText(LastSystemError());
    EXPECT_TRUE(port.WaitUntilSent(20000));
    EXPECT_EQ(Receive(port, text.size()), text);
}

TEST(Win32Serial, StopEndsAPendingWaitAndCloseEndsItToo) {
    const std::string name = TestPort();
    if (name.empty())
        GTEST_SKIP() << "LUMETTO_TEST_COM names no COM port";
    CSerialDevice port;
    OpenTestPort(port, name);
    CEvent stop, send;
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stop.Set();
    });
    // Without a limit: only the stop event can end this wait.
    EXPECT_EQ(port.Wait(stop, true, send, -1).eReady, Ready::Stop);
    setter.join();
    stop.Reset();
    send.Set();
    EXPECT_EQ(port.Wait(stop, true, send, -1).eReady, Ready::Send);
    // A WaitCommEvent is pending now. Close ends it by changing the event
    // mask (Windows ends it on CancelIo as well; Wine does not) and returns.
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

TEST(Win32Serial, ASecondOpenIsRefusedOnWindows) {
    const std::string name = TestPort();
    if (name.empty())
        GTEST_SKIP() << "LUMETTO_TEST_COM names no COM port";
    CSerialDevice first, second;
    OpenTestPort(first, name);
    const bool bSecond = second.Open("\\\\.\\" + name);
    if (UnderWine()) {
        // Wine does not keep a COM port to one handle: the second open works.
        RecordProperty("wine_second_open", bSecond ? "allowed" : "refused");
        return;
    }
    EXPECT_FALSE(bSecond);
    EXPECT_EQ(LastSystemError(), ERROR_ACCESS_DENIED);
}

} // namespace
