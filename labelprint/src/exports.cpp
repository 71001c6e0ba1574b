// The exported interface of libTagrix.so: six functions and the class MStampaEtichetteZ.
#include "labelprint/Tagrix.h"

#include <cstdio>
#include <cstring>
#include <vector>
#include <exception>

#include "labelprint/composer.h"
#include "labelprint/layout.h"
#include "labelprint/library.h"
#include "labelprint/wizard.h"
#include "msgtable/Dictavo.h"
#include "platform/paths.h"
#include "platform/text.h"

using labelprint::IniPath;

MStampaEtichetteZ::MStampaEtichetteZ(Dictavo* /*unused*/, void* parentWindow) {
    // Every call reloads the library's message table from the program directory; a missing
    // file leaves an empty table, whose look-ups give the keys themselves.
    labelprint::SetMessageTable(nullptr);
    embedded = false;
    windows2000 = false;
    auto* table = new Dictavo(labelprint::MessageFilePath().c_str());
    table->LoadStrings();
    labelprint::SetMessageTable(table);
    parent = parentWindow;
    printFlag = 0;
}

MStampaEtichetteZ::~MStampaEtichetteZ() { labelprint::SetMessageTable(nullptr); }

void MStampaEtichetteZ::CheckPaper(bool* out, bool win2000) {
    MDlgMainCutHelp composer;
    const bool paperOut = composer.PaperOut(win2000);
    if (out) *out = paperOut;
}

void MStampaEtichetteZ::Configura(int count, const char* const* names, int* ids, int* sizes) {
    MConfigura cfg;
    cfg.AddFieldNames(count, names);
    // The wizard loads the layout and saves it on Finish. Without a GUI (tools, tests) it is
    // not available: the layout stays as it is.
    if (labelprint::RunLayoutWizard(cfg, IniPath()) == labelprint::WizardResult::Unavailable) {
        cfg.Load(IniPath());
        labelprint::ShowMessage(labelprint::Text("ID_NO_WIZARD"), labelprint::Text("ID_ERROR"), tagrix::kBoxPlain);
    }
    cfg.CopyIds(ids);
    cfg.CopySizes(sizes);
}

void MStampaEtichetteZ::CutHelp(const char* /*text*/) {}

void MStampaEtichetteZ::Stampa(const char* /*text*/) {}

void MStampaEtichetteZ::FindSelectedId(int* ids, int* sizes) {
    MConfigura cfg;
    cfg.Load(IniPath());
    cfg.CopyIds(ids);
    cfg.CopySizes(sizes);
}

void MStampaEtichetteZ::SetFields(int count, const char* const* names) {
    MConfigura cfg;
    cfg.AddFieldNames(count, names);
}

void MStampaEtichetteZ::StampaZebra(int count, const char* const* params, const char* const* values) {
    MDlgMainCutHelp composer;
    composer.Compose(MDlgMainCutHelp::UnpackJob(count, params, values));
}

void MStampaEtichetteZ::StampaPrn(std::string text, bool win2000) {
    MDlgMainCutHelp composer;
    composer.SendPrn(text, win2000);
}

// ---- exported functions: no exception leaves them ----

extern "C" {

TAGRIX_API int SetFields(int count, const char* const* names) {
    try {
        MStampaEtichetteZ object(nullptr, nullptr);
        object.SetFields(count, names);
    } catch (...) {
    }
    return 0;
}

TAGRIX_API int ConfigLab(int count, const char* const* names, int* ids, int* sizes) {
    try {
        MStampaEtichetteZ object(nullptr, nullptr);
        object.Configura(count, names, ids, sizes);
    } catch (...) {
    }
    return 0;
}

TAGRIX_API int ZebraStampa(int count, const char* const* params, const char* const* values) {
    try {
        MStampaEtichetteZ object(nullptr, nullptr);
        object.printFlag = 1;
        object.StampaZebra(count, params, values);
    } catch (...) {
    }
    return 0;
}

TAGRIX_API int GetSelectedID(int* ids, int* sizes) {
    try {
        MStampaEtichetteZ object(nullptr, nullptr);
        object.FindSelectedId(ids, sizes);
    } catch (...) {
    }
    return 0;
}

TAGRIX_API int IsPaperOut(bool* out) {
    try {
        MStampaEtichetteZ object(nullptr, nullptr);
        object.CheckPaper(out, object.windows2000);
    } catch (...) {
    }
    return 0;
}

TAGRIX_API int ZebraStampaPrn(int count, const char* const* keys, const char* const* values, const char* file) {
    try {
        std::string text;
        std::FILE* f = file && *file ? plat::OpenFile(file, "rb") : nullptr;
        if (!f) {
            const std::string message = plat::StrFormatC("Opening file error: %s", file ? file : "");
            labelprint::ShowMessage(message.c_str(), "", tagrix::kBoxError);
            return -1;
        }
        char buf[8192];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
        std::fclose(f);
        std::vector<std::string> notCarried;
        text = labelprint::SubstituteKeys(std::move(text), count, keys, values, &notCarried);
        MStampaEtichetteZ object(nullptr, nullptr);
        object.StampaPrn(std::move(text), object.windows2000);
        if (!notCarried.empty()) {
            // The label went out with an empty barcode: the text names the template and the
            // value in place of its two "%s", each put in as it is.
            std::string message = labelprint::Text("ID_BC_PRN");
            size_t at = message.find("%s");
            if (at != std::string::npos) {
                message.replace(at, 2, file);
                at = message.find("%s", at + std::strlen(file));
                if (at != std::string::npos) message.replace(at, 2, notCarried.front());
            }
            labelprint::ShowMessage(message.c_str(), labelprint::Text("ID_WARNING"), tagrix::kBoxNotice);
        }
    } catch (...) {
    }
    return 0;
}

} // extern "C"

namespace tagrix {

MessageSink* SetMessageSink(MessageSink* sink) { return labelprint::SetMessageSink(sink); }

void SetProgramDirectory(const char* dir) {
    if (dir && *dir) plat::SetProgramDirectory(dir);
}

void SetUsbRoots(const char* sysfsRoot, const char* devRoot) {
    labelprint::SetUsbRoots(sysfsRoot ? sysfsRoot : "", devRoot ? devRoot : "");
}

bool HasMessageTable() { return labelprint::MessageTable() != nullptr; }

std::string SubstituteKeys(std::string text, int count, const char* const* keys, const char* const* values) {
    return labelprint::SubstituteKeys(std::move(text), count, keys, values);
}

} // namespace tagrix
