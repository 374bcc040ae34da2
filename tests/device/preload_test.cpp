// SPDX-License-Identifier: GPL-3.0-or-later
// The LD_PRELOAD route: a client linked against Debian's libusb finds the
// simulated meter when the simulator is preloaded, configured only through
// its environment and config file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string RunProbe(const std::string& environment) {
    // The sanitizers want their runtime first; a preloaded library comes
    // before it, which is harmless here.
    const std::string command = "env -u METERSIM_CONFIG ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0 "
                                "LD_PRELOAD=" METERSIM_LIBRARY " " + environment + " " PRELOAD_PROBE " 2>&1";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[256];
        while (std::fgets(chunk, sizeof chunk, pipe)) output += chunk;
        ::pclose(pipe);
    }
    return output;
}

TEST(PreloadTest, PreloadedSimulatorAnswersADebianLibusbClient) {
    EXPECT_EQ(RunProbe("METERSIM_DEVICES=other,meter METERSIM_SETUP_BYTE=0x2A"), "meter on bus 002: setup 42 result 1\n");
    EXPECT_EQ(RunProbe("METERSIM_DEVICES=nobus"), "no meter\n");
    EXPECT_EQ(RunProbe("METERSIM_OPEN=null"), "meter on bus 001: open failed\n");
}

TEST(PreloadTest, ConfigFileNamedByTheEnvironmentIsRead) {
    const fs::path dir = fs::temp_directory_path() / ("metersim_preload_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path config = dir / "sim.conf", log = dir / "requests.log";
    {
        std::ofstream out(config);
        out << "# two buses, the meter on the second\n"
               "devices = none, meter:0x13\n"
               "log_file = " << log.string() << "\n";
    }
    EXPECT_EQ(RunProbe("METERSIM_CONFIG=" + config.string()), "meter on bus 002: setup 19 result 1\n");
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("usb_open dev=1 handle=1\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" dev=1 type=0xC0 req=2 value=0x0001 index=0x0000 size=1 timeout=5000 result=1\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("usb_close handle=1\n"), std::string::npos) << text;
    fs::remove_all(dir);
}

}  // namespace
