// The edit dialog of one profile set.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstdint>
#include <cstring>

#include "machine/cnc_state.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/number_entry.h"
#include "machine/profile_overrides.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "machine/units.h"
#include "platform/text.h"
#include "ui/ConfigBinder.h"
#include "ui/InputDialog.h"
#include "ui/ParProfDialog.h"
#include "par_prof_layout.h"
#include "ui/qt_text.h"

namespace ui {

namespace {

// The binding of one value: shown in the display unit, written through the set's writer.
Binding BindField(const ProfileSetField& f, const std::string& series, const std::string& code) {
    const ProfileSetField* row = &f;
    const auto read = [row, series, code] {
        return SetFieldValue(*row, series.c_str(), code.c_str(), ProfileSettings());
    };
    switch (f.kind) {
    case SetValueKind::Length:
    case SetValueKind::Angle:
    case SetValueKind::Text: {
        Binding b(f.controlId, "", f.key, BindKind::Text);
        b.Filter(std::strcmp(f.key, "NR_LABEL") == 0 ? BindFilter::Integer : BindFilter::SignedReal);
        b.Read([read, row] { return EntryText(*row, read()); });
        b.Write([row, series, code](const std::string& shown) {
            // An empty entry of a value with a machine fallback stores "-1": use the machine's.
            const std::string value = shown.empty() && row->machineFallback ? "-1" : StoredText(*row, shown);
            row->write(series.c_str(), code.c_str(), value.c_str());
        });
        return b;
    }
    case SetValueKind::Index:
    case SetValueKind::IndexPlus1:
    case SetValueKind::Check: {
        Binding b(f.controlId, "", f.key, f.kind == SetValueKind::Check ? BindKind::Check : BindKind::ComboIndex);
        if (f.kind == SetValueKind::IndexPlus1) b.Values({"1", "2", "3"});
        b.Read(read);
        b.Write([row, series, code](const std::string& v) { row->write(series.c_str(), code.c_str(), v.c_str()); });
        return b;
    }
    }
    return Binding();
}

// An R variable holding a set of flags: bit 0 of its value truncated.
bool Odd(float value) { return (plat::TruncToInt32(value) & 1) != 0; }

} // namespace

CParProfEditDialog::CParProfEditDialog(QWidget* parent, const std::string& series, const std::string& code)
    : CResizeDialog(parent), m_series(series), m_code(code), m_variant(MachineVariant) {
    using namespace parprof;
    SetLayout layout = EditDialogLayout(m_variant);
    BuildControls(layout.width, layout.height, layout.controls);
    AddPictures(this, layout.pictures, m_variant);
    FillSetLabels(this, m_variant);
    for (const ProfileSetField& f : ProfileSetFields()) {
        if (auto* combo = qobject_cast<QComboBox*>(Control(f.controlId))) {
            for (const std::string& item : SetFieldChoices(f, m_variant)) combo->addItem(ToQt(item));
        }
    }
    std::vector<Binding> bindings;
    for (const ProfileSetField& f : ProfileSetFields())
        if (f.WrittenOn(m_variant)) bindings.push_back(BindField(f, m_series, m_code));
    m_form = std::make_unique<QtBinderForm>(this);
    m_binder = std::make_unique<ConfigBinder>(*m_form, std::string(), std::move(bindings));
    ConnectBinderFilters(this, *m_binder);

    setModal(true);
    EnableShowGate();
    const auto button = [this](int id) { return qobject_cast<QPushButton*>(Control(id)); };
    connect(button(kOk), &QPushButton::clicked, this, &CParProfEditDialog::OnOK);
    connect(button(kCancel), &QPushButton::clicked, this, &CParProfEditDialog::OnCancel);
    connect(button(kTakePliers), &QPushButton::clicked, this, &CParProfEditDialog::OnTakePliers);
    connect(button(kTakeVices), &QPushButton::clicked, this, &CParProfEditDialog::OnTakeVices);
}

CParProfEditDialog::~CParProfEditDialog() = default;

void CParProfEditDialog::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    setWindowTitle(ToQt(SubstituteTexts("%s: %s - %s", {MsgString("T_PAR_PROFILO"), m_series, m_code})));
    m_binder->Load();
    // The four switches show their keys on every variant, only the variant's own being visible.
    for (const char* key : {"NO_ING_M3", "NO_ING_M4", "MHV", "RIB_SCAR"}) {
        const ProfileSetField* f = FindSetField(key);
        if (!f->WrittenOn(m_variant))
            m_form->SetIndex(f->controlId,
                             SetFieldValue(*f, m_series.c_str(), m_code.c_str(), ProfileSettings()) != "0");
    }
    if (QWidget* notice = Control(parprof::kNotInForce))
        notice->setVisible(!SetInForce(m_series.c_str(), m_code.c_str()));
    ScaleToScreen();
    MatchComboHeights(this);
    CentreOverMainWindow(this);
    OpenShowGate();
}

void CParProfEditDialog::OnOK() {
    for (const ProfileSetField& f : ProfileSetFields()) {
        if (f.errorKey == nullptr || !f.OnVariant(m_variant)) continue;
        auto* edit = qobject_cast<QLineEdit*>(Control(f.controlId));
        if (edit == nullptr) continue;
        // A text that is no number names the field; a number out of range, the range in the
        // unit shown.
        const std::string refusal =
            SetEntryRefusal(f, FromQt(edit->text()), ProfileSettings(), m_variant, GetUnitSystem());
        if (refusal.empty()) continue;
        ShowBox("T_ERRORE", refusal, BoxButtons::Ok, BoxIcon::Warning);
        edit->setFocus();
        return;
    }
    // Only a set that differs from what is stored is written: writing puts it in force (FLAG 1).
    if (m_binder->HasChanged()) m_binder->Save();
    done(IDOK);
}

void CParProfEditDialog::OnCancel() { done(IDCANCEL); }

bool CParProfEditDialog::AxesReady() {
    CStatoCnc* cnc = g_pCncState;
    const char* error = nullptr;
    if (g_machineConnected == 0 && (cnc == nullptr || cnc->IsCncOn() == 0))
        error = "ERR_NO_CNC_ON";
    else if (cnc == nullptr || cnc->ReadRVar(453) == 0.0f)
        error = "ERR_ASSI_NO_RIF";
    if (error == nullptr) return true;
    SetErrorTextLiteral(MsgError(error));
    ShowBox("T_ERRORE", g_errorText, BoxButtons::Ok, BoxIcon::Warning);
    return false;
}

void CParProfEditDialog::SetField(const char* key, float value) {
    const ProfileSetField& f = *FindSetField(key);
    if (auto* edit = qobject_cast<QLineEdit*>(Control(f.controlId)))
        edit->setText(ToQt(EntryText(f, plat::StrFormatC("%.2f", static_cast<double>(value)))));
}

void CParProfEditDialog::OnTakePliers() {
    if (!AxesReady()) return;
    CStatoCnc& cnc = *g_pCncState;
    if (cnc.ReadRVar(741) != 0.0f) SetField("OFFY_PINZA", cnc.ReadRVar(672));
    if (cnc.ReadRVar(742) != 0.0f) SetField("OFFZ_PINZA", cnc.ReadRVar(673));
    const char* offC = "OFFC_PINZA";
    if (m_variant == 1 && cnc.ReadRVar(886) != 0.0f && Odd(cnc.ReadRVar(887))) SetField(offC, cnc.ReadRVar(939));
    if (m_variant == 2 && cnc.ReadRVar(7509) != 0.0f && Odd(cnc.ReadRVar(7550))) SetField(offC, cnc.ReadRVar(6249));
}

void CParProfEditDialog::OnTakeVices() {
    if (!AxesReady()) return;
    CStatoCnc& cnc = *g_pCncState;
    if (cnc.ReadRVar(7509) == 0.0f) return;
    if (Odd(cnc.ReadRVar(7510))) SetField("CH_V_VICE", cnc.ReadRVar(6209));
    if (Odd(cnc.ReadRVar(7520))) SetField("CH_H_VICE", cnc.ReadRVar(6219));
}

} // namespace ui
