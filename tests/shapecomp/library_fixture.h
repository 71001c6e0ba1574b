#pragma once
// The shape compiler library bound by name from libvlk32_bc.so exactly as the program binds it,
// with a caller's part program in a scratch folder and the library's messages recorded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dynlib.h"
#include "shape_test_util.h"
#include "shapecomp/vlk32_bc.h"

namespace sctest {

class Library : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        lib_ = plat::LoadLibraryByName("vlk32_bc");
        ASSERT_NE(lib_, nullptr) << plat::LastLibraryError();
        compile_ = reinterpret_cast<CompilaSpeciale3Fn>(plat::GetProcAddress(lib_, "CompilaSpeciale3"));
        version_ = reinterpret_cast<GetVlkVersionFn>(plat::GetProcAddress(lib_, "GetVlkVersion"));
        sink_ = reinterpret_cast<VlkSetMessageSinkFn>(plat::GetProcAddress(lib_, "VlkSetMessageSink"));
        ASSERT_NE(compile_, nullptr);
        ASSERT_NE(version_, nullptr);
        ASSERT_NE(sink_, nullptr);
        sink_(&Library::Record, nullptr);
    }
    static void TearDownTestSuite() {
        if (sink_) sink_(nullptr, nullptr);
    }
    void SetUp() override {
        messages_.clear();
        WriteFile(dir_.path() / "PROG.ISO", "%\r\nN10 R599=9999\r\n");
    }
    static void Record(void*, const char* text, const char* caption) {
        messages_.push_back(std::string(caption) + "|" + text);
    }
    std::string Prog() const { return ReadFile(dir_.path() / "PROG.ISO"); }
    int32_t Compile(const std::string& shape, int32_t& counter, int32_t tool = 8000) {
        return compile_(dir_.str().c_str(), shape.c_str(), "BRE", 0, &counter, dir_.str("PROG.ISO").c_str(), tool);
    }

    static inline plat::LibHandle lib_ = nullptr;
    static inline CompilaSpeciale3Fn compile_ = nullptr;
    static inline GetVlkVersionFn version_ = nullptr;
    static inline VlkSetMessageSinkFn sink_ = nullptr;
    static inline std::vector<std::string> messages_;
    TempDir dir_;
};

} // namespace sctest
