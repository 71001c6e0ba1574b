#pragma once
// The configuration files from any file: the same bytes as "CONFIG.PAR", "PARAM.PAR" and a
// profile's ".CP", read the way the program reads them at start-up and at a list opening
// (general settings, the parameter groups, ports, label layout, ralla set-up, per-profile
// overrides). A load either succeeds or stops with its message; every text field keeps its end.
#include <cstring>
#include <memory>
#include <string>

#include "machine/label_settings.h"
#include "machine/params.h"
#include "machine/profile_overrides.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine_fuzz_env.h"
#include "platform/profile.h"

namespace machine_fuzz {

template <std::size_t N>
bool Ended(const char (&field)[N]) {
    return ::strnlen(field, N) < N;
}

inline std::string ConfigFilesExercise(const std::string& bytes) {
    Env& env = Fresh();
    ResetProgramValues();
    ApplyMachineVariant(static_cast<int>(bytes.size() % 3));
    for (const char* name : {"CONFIG.PAR", "PARAM.PAR", "ALU60.CP"}) mutation::WriteFile(env.Conf(name), bytes);

    auto settings = std::make_unique<MachineSettings>();
    MachineSettings& s = *settings;
    g_pSettings = &s;
    struct Restore {
        ~Restore() { g_pSettings = nullptr; }
    } restore;
    if (!Ended(s.DIR_LDA) || !Ended(s.DIR_ISO) || !Ended(s.DIR_DXF) || !Ended(s.DIR_UTEN) || !Ended(s.DIR_VLK) ||
        !Ended(s.DIR_LOG) || !Ended(s.DIR_V1V2) || !Ended(s.NOME_MACCHINA_LOG) || !Ended(s.QBLADE_NAME) ||
        !Ended(s.SLICERBLADE_NAME))
        return "a settings text lost its end";
    if (s.LEN_ROW > 40) return "LEN_ROW above 40";

    for (int pass = 0; pass < 2; ++pass) { // the start-up load, then a list opening's reload
        ClearErrorText();
        if (LoadBaseParameters(s) != 0 && g_errorText[0] == '\0') return "base parameters refused without a message";
        ClearErrorText();
        if (LoadAllParameters(s) != 0 && g_errorText[0] == '\0') return "parameters refused without a message";
    }
    SetupLabelLayout(s);
    if (GetLabelHeadText(s).size() > 40 || !Ended(s.labelHeadText)) return "label header text too long";
    for (int line = 0; line < 8; ++line)
        if (GetLabelStr(line).size() > 8 || !Ended(s.labelCaptions[line])) return "label caption too long";
    for (int info = 0; info < 4; ++info)
        if (GetLabelHead(info).size() > 17 || !Ended(s.labelInfoCaptions[info])) return "label info caption too long";

    RallaToolSet set(1);
    for (const auto& name : set.positionNames)
        if (!Ended(name)) return "ralla position name lost its end";

    // The overrides of the first few profiles the file names.
    int profiles = 0;
    for (const std::string& code : plat::ReadProfileSectionNames(env.Conf("ALU60.CP").c_str())) {
        if (++profiles > 4) break;
        const char* c = code.c_str();
        (void)CpReadFlag("ALU60", c);
        for (const std::string& t : {CpReadOffY("ALU60", c), CpReadOffZ("ALU60", c), CpReadVelhCut("ALU60", c),
                                     CpReadHeadScrap("ALU60", c, s), CpReadTailScrap("ALU60", c, s),
                                     CpReadDeltaDimY("ALU60", c, s), CpReadNrLabel("ALU60", c)})
            if (t.size() > 49) return "override text longer than its field";
        (void)CpReadTipoTaglio("ALU60", c);
        (void)CpReadCutMode90("ALU60", c, s);
        (void)CpReadCutModeNo90("ALU60", c, s);
    }
    return std::string();
}

} // namespace machine_fuzz
