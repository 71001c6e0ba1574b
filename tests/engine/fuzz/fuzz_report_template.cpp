// libFuzzer target of the report template "DEBTG.MSG", read by a full bar computation.
#include "report_template_exercise.h"

namespace {

// The engine tests' installation, laid out once for the process.
struct Installation : enginetest::EngineTest {
    Installation() { Install(1, "CONF"); }
    void TestBody() override {}
    const std::string& Dir() const { return dir_; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Installation* inst = new Installation;
    return mutation::FuzzOne(data, size, [](const std::string& b) {
        return enginetest::ReportTemplateExercise(b, inst->Dir());
    });
}
