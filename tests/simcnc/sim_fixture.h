#pragma once
// Loads bin/libUvenlibVB.so once per test program with dlopen (RTLD_NOW | RTLD_LOCAL, as the
// program does), fetches its 19 entry points and Sim* calls, and resets the simulated machine
// before every test.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "simcnc/simcnc.h"
#include "simcnc/uvenlib_api.h"

struct UvenEntries {
#define SIMTEST_MEMBER(name) UVEN_PFN_##name name = nullptr;
    UVEN_FOR_EACH_ENTRY(SIMTEST_MEMBER)
#undef SIMTEST_MEMBER
    int missing = 0;
    void Bind(void* lib) {
#define SIMTEST_FETCH(name)                                            \
    name = reinterpret_cast<UVEN_PFN_##name>(dlsym(lib, #name));       \
    if (!name) ++missing;
        UVEN_FOR_EACH_ENTRY(SIMTEST_FETCH)
#undef SIMTEST_FETCH
    }
};

inline std::string LibraryPath(const char* subdir) {
    return std::string(BRELON_BINARY_DIR) + "/bin" + subdir + "/libUvenlibVB.so";
}

class SimCnc : public ::testing::Test {
protected:
    static void* lib;
    static UvenEntries api;
    static simcnc::Controls sim;

    static void SetUpTestSuite() {
        if (lib) return;
        lib = dlopen(LibraryPath("").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(lib, nullptr) << dlerror();
        api.Bind(lib);
        ASSERT_TRUE(sim.Bind([](const char* n) { return dlsym(lib, n); }));
    }

    void SetUp() override {
        ASSERT_NE(lib, nullptr);
        sim.SimReset();
        sim.SimSetAutoAdvance(0); // time moves only when a test says so
    }

    float Read(int n) {
        float v = -12345.0f;
        EXPECT_GE(api.GetDatiCncEx(UVEN_KIND_R, n, 1, &v), 2) << "R" << n;
        return v;
    }
    int16_t Write(int n, float v) { return api.SetDatiCncEx(UVEN_KIND_R, n, 1, &v); }
    unsigned Word(int i) {
        uint16_t w[UVEN_STACN_WORDS] = {};
        EXPECT_EQ(api.get_stacn(w), UVEN_OK);
        return w[i];
    }
    std::string StateText() {
        char rec[UVEN_STAPRO_SIZE];
        std::memset(rec, 'x', sizeof rec);
        EXPECT_EQ(api.GetStaPro(rec), UVEN_OK);
        return std::string(rec);
    }
};
