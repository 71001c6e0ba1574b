#pragma once
// The report template "MSG\DEBTG.MSG" from any file: a full computation of a small bar copies
// the template's sections around the bar's lines into "OUTPUT.LAV" and the elaborated groups,
// whatever the template holds, and the report stays in proportion to it.
#include <memory>
#include <string>

#include "engine_fixture.h"
#include "test_support/mutation.h"

namespace enginetest {

inline ldatest::ListSpec TemplateBar() {
    ldatest::PieceSpec a = Piece("FRAME TOP", 1000000, 90000, 45000);
    a.machinings = {Drill(100000, 90), Drill(400000, -90, "PUNTA8", 8000)};
    a.machinings[1].idLdt = 2;
    return List({Bar({a})});
}

// dir: the installation's program directory (with its final slash).
inline std::string ReportTemplateExercise(const std::string& bytes, const std::string& dir) {
    mutation::WriteFile(dir + "MSG/DEBTG.MSG", bytes);
    if (!ldatest::WriteLda(dir + "LIST.lda", TemplateBar())) return "list not written";
    auto bc = std::make_unique<BarComputation>((dir + "LIST.lda").c_str());
    if (!bc->IsLoaded()) return std::string("list not loaded: ") + g_errorText;
    ClearErrorText();
    if (bc->ComputeBar(0, 1) != 0) return std::string("computation failed: ") + g_errorText;
    const std::size_t lav = mutation::ReadFile(dir + "OUTPUT.LAV").size();
    if (lav > 2 * bytes.size() + 65536) return "report out of proportion to the template";
    return std::string();
}

} // namespace enginetest
