// The bar selection dialog and the main window's step that shows it.
#include "app/sel_bar_dialog.h"
#include "app/unattended.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <map>
#include <new>

#include "app/app_ids.h"
#include "app/job_logic.h"
#include "app/main_frame.h"
#include "engine/iso_generator.h"
#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/ini_routines.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "machine/units.h"
#include "ui/ToolTableDialogs.h"
#include "ui/OwnControls.h"
#include "ui/qt_text.h"
#include "ui/window_message.h"

namespace {

// Columns of the list, left to right.
constexpr const char* kColumnKeys[] = {"S_NOME", "S_SERIE", "S_CODICE", "S_LIST_LUNG",
                                       "S_LIST_RIP", "S_UTENSILI", "S_COLORE"};

QString Msg(const char* key) { return ui::ToQt(MsgString(key)); }

} // namespace

CSelBarDialog::CSelBarDialog(QWidget* parent) : ui::CResizeDialog(parent) {
    using ui::ControlKind;
    // Laid over the main window's view, inside the frame.
    setWindowFlags(Qt::Widget);
    BuildControls(640, 460,
                  {
                      {kIdList, ControlKind::ListCtrl, 10, 10, 620, 370, ""},
                      {kIdCount, ControlKind::Static, 10, 388, 190, 26, ""},
                      {kIdFindText, ControlKind::Edit, 210, 388, 170, 26, ""},
                      {kIdFindBar, ControlKind::PushButton, 390, 386, 120, 30, "B_FINDBAR"},
                      {kIdAllBars, ControlKind::PushButton, 520, 386, 110, 30, "B_ALLBAR"},
                      {1, ControlKind::DefPushButton, 10, 422, 150, 30, "B_OK"},
                      {kIdConfRalla, ControlKind::PushButton, 245, 422, 150, 30, "B_CONF_RALLA"},
                      {2, ControlKind::PushButton, 480, 422, 150, 30, "B_ANNULLA"},
                  });
    EnableShowGate();
    if (auto* edit = qobject_cast<QLineEdit*>(Control(kIdFindText))) edit->setMaxLength(static_cast<int>(app::kFindTextMax));
    auto connectButton = [this](int id, void (CSelBarDialog::*slot)()) {
        if (auto* b = qobject_cast<QPushButton*>(Control(id))) connect(b, &QPushButton::clicked, this, slot);
    };
    connectButton(1, &CSelBarDialog::OnOK);
    connectButton(2, &CSelBarDialog::OnCancel);
    connectButton(kIdAllBars, &CSelBarDialog::OnAllBars);
    connectButton(kIdFindBar, &CSelBarDialog::OnFindBar);
    connectButton(kIdConfRalla, &CSelBarDialog::OnConfRalla);
}

CSelBarDialog::~CSelBarDialog() = default;

ui::CListCtrlStyled* CSelBarDialog::List() const { return qobject_cast<ui::CListCtrlStyled*>(Control(kIdList)); }

int CSelBarDialog::RowBar(int row) const {
    if (row < 0 || row >= RowCount() || g_pBarList == nullptr) return -1;
    // The bar records keep their addresses while the list reorders them (a confirmation that
    // failed has already gathered its bars at the head), so a row finds its bar's index now.
    const BarRecord* bar = m_rowMap[static_cast<std::size_t>(row)];
    for (int i = 0; i < g_pBarList->BarCount(); ++i)
        if (g_pBarList->Bar(i) == bar) return i;
    return -1;
}

void CSelBarDialog::OnInitDialog() {
    ui::CResizeDialog::OnInitDialog();
    setWindowTitle(Msg("T_SEL_LIST"));
    for (auto [id, key] : {std::pair{1, "B_OK"}, {2, "B_ANNULLA"}, {kIdAllBars, "B_ALLBAR"},
                           {kIdFindBar, "B_FINDBAR"}, {kIdConfRalla, "B_CONF_RALLA"}})
        if (auto* b = qobject_cast<QPushButton*>(Control(id))) b->setText(Msg(key));
    // The ralla configuration is not offered from the bar selection.
    if (QWidget* b = Control(kIdConfRalla)) b->setEnabled(false);

    ui::CListCtrlStyled* list = List();
    list->setHeaderHidden(false);
    list->header()->setStretchLastSection(false);
    for (int c = 0; c < static_cast<int>(std::size(kColumnKeys)); ++c) list->InsertColumn(c, Msg(kColumnKeys[c]), 80);

    if (g_pBarList != nullptr) g_pBarList->SortBarListByName();
    try {
        FillList();
    } catch (const std::bad_alloc&) {
        m_rowMap.clear();
        ShowBox("T_ERRORE", MsgError("NO_MEMORY"), BoxButtons::Ok, BoxIcon::Warning);
        QMetaObject::invokeMethod(this, &CSelBarDialog::OnCancel, Qt::QueuedConnection);
    }
    RefreshCount();

    if (g_testAutoConfirm != 0) QMetaObject::invokeMethod(this, &CSelBarDialog::OnOK, Qt::QueuedConnection);

    WinRect view;
    if (MainFrame != nullptr && parentWidget() == MainFrame && MainFrame->GetViewPlacement(view)) FitToMainView(view);
    else ScaleToScreen();
    SizeColumns();
    raise();
    m_initialised = true;
    OpenShowGate();
}

void CSelBarDialog::FillList() {
    ui::CListCtrlStyled* list = List();
    m_rowMap.clear();
    if (g_pBarList == nullptr) return;
    const int rows = g_pBarList->BarsLeft() < g_pBarList->BarCount() ? g_pBarList->BarsLeft() : g_pBarList->BarCount();
    if (rows <= 0) {
        list->SelectAllRows();
        return;
    }
    // The rows go to the list in one step, appended in bar order, so each row's entry of the
    // row map is its bar. A list's bars share a few lengths and tool sets: each text is
    // formatted once.
    m_rowMap.reserve(static_cast<std::size_t>(rows));
    std::map<int32_t, QString> lengths;
    std::map<std::array<int32_t, kRallaMaxPositions>, QString> tools;
    list->AppendRows(rows, [&](int i, intptr_t& itemData) {
        const BarRecord& bar = *g_pBarList->Bar(i);
        itemData = i;
        m_rowMap.push_back(&bar);
        auto length = lengths.find(bar.length);
        if (length == lengths.end()) {
            char text[64];
            FormatUnits(text, sizeof text, "%{X}", bar.length / 1000.0);
            length = lengths.emplace(bar.length, ui::ToQt(text)).first;
        }
        QString toolsText;
        if (g_pRallaTools != nullptr) {
            std::array<int32_t, kRallaMaxPositions> key;
            std::copy(std::begin(bar.requiredTools), std::end(bar.requiredTools), key.begin());
            auto found = tools.find(key);
            if (found == tools.end())
                found = tools.emplace(key, ui::ToQt(app::BarToolsText(bar, *g_pRallaTools, g_rallaPositions))).first;
            toolsText = found->second;
        }
        return QStringList{ui::ToQt(bar.name), ui::ToQt(bar.series), ui::ToQt(bar.code), length->second,
                           QString::number(bar.repetitionsLeft), toolsText, ui::ToQt(app::BarColour(bar))};
    });
    // Every row starts selected; the all-bars toggle stays off, so its first press selects all.
    list->SelectAllRows();
}

QString CSelBarDialog::CountText() const {
    const int selected = List() != nullptr ? List()->GetSelectedCount() : 0;
    return ui::ToQt(std::string(MsgString("S_BAR_SEL")) + " " + std::to_string(selected) + "/" +
                    std::to_string(RowCount()));
}

void CSelBarDialog::RefreshCount() {
    if (auto* label = qobject_cast<QLabel*>(Control(kIdCount))) label->setText(CountText());
}

void CSelBarDialog::SizeColumns() {
    ui::CListCtrlStyled* list = List();
    if (list == nullptr) return;
    // Each column as wide as the wider of its header and its widest text. The texts stay as
    // filled, so their widths are measured once (again only if the list's font changes) and a
    // size change only applies them.
    if (m_contentWidths.size() != static_cast<std::size_t>(list->columnCount()) || m_widthsFont != list->font()) {
        m_contentWidths.clear();
        for (int c = 0; c < list->columnCount(); ++c) m_contentWidths.push_back(list->ColumnContentWidth(c));
        m_widthsFont = list->font();
    }
    QHeaderView* header = list->header();
    for (int c = 0; c < list->columnCount(); ++c) {
        const int headerWidth = header->isHidden() ? 0 : header->sectionSizeHint(c);
        header->resizeSection(c, std::max(m_contentWidths[static_cast<std::size_t>(c)], headerWidth));
    }
}

bool CSelBarDialog::event(QEvent* e) {
    if (e->type() == ui::WindowMessageEvent::EventType()) {
        const auto* m = static_cast<ui::WindowMessageEvent*>(e);
        if (m->Msg() == ui::CListCtrlStyled::kMsgRowClicked) RefreshCount();
        return true;
    }
    return ui::CResizeDialog::event(e);
}

void CSelBarDialog::resizeEvent(QResizeEvent* e) {
    ui::CResizeDialog::resizeEvent(e);
    if (m_initialised) SizeColumns();
}

void CSelBarDialog::SetRowSelected(int row, bool on) {
    ui::CListCtrlStyled* list = List();
    if (list->IsRowSelected(row) == on) return;
    QTreeWidgetItem* item = list->topLevelItem(row);
    if (item == nullptr) return;
    list->scrollToItem(item);
    const QPoint at = list->visualItemRect(item).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &press);
}

void CSelBarDialog::OnAllBars() {
    List()->ToggleSelectAll();
    RefreshCount();
}

void CSelBarDialog::OnFindBar() {
    auto* edit = qobject_cast<QLineEdit*>(Control(kIdFindText));
    const app::FindQuery query = app::PrepareFindText(edit != nullptr ? ui::FromQt(edit->text()) : std::string());
    ui::CListCtrlStyled* list = List();
    std::vector<std::string> names;
    for (int r = 0; r < list->ItemCount(); ++r) names.push_back(ui::FromQt(list->ItemText(r, 0)));
    const std::vector<int> matches = app::FindMatchingRows(names, query);
    if (matches.empty()) {
        ShowBox("T_ATTENZIONE", MsgString("M_NO_BAR"), BoxButtons::Ok, BoxIcon::Warning);
        return;
    }
    const std::string question = std::string(MsgString("M_NUM_BAR")) + " " + std::to_string(matches.size()) + "\n" +
                                 MsgString("M_SEL_BAR");
    if (ShowBox("T_FIND_BAR", question, BoxButtons::YesNo, BoxIcon::Question) != IDYES) return;
    std::vector<bool> wanted(static_cast<std::size_t>(list->ItemCount()), false);
    for (int r : matches) wanted[static_cast<std::size_t>(r)] = true;
    for (int r = 0; r < list->ItemCount(); ++r) SetRowSelected(r, wanted[static_cast<std::size_t>(r)]);
    RefreshCount();
}

void CSelBarDialog::OnConfRalla() {
    // The button is disabled at opening and nothing here enables it; the handler still opens the
    // ralla chooser, so a build that offers the button gets the right window.
    ui::CConfRallaDialog dialog(this);
    dialog.exec();
}

void CSelBarDialog::OnOK() {
    if (m_closed) return; // a confirmation queued before the dialog closed
    BarComputation* list = g_pBarList;
    ui::CListCtrlStyled* rows = List();
    if (list == nullptr || rows->GetSelectedCount() == 0) {
        if (EndListUnattended(MsgString("M_NUL_BAR"))) return;
        ShowBox("T_ERRORE", MsgString("M_NUL_BAR"), BoxButtons::Ok, BoxIcon::Warning);
        return;
    }
    if (rows->GetSelectedCount() < rows->ItemCount()) {
        for (int r = 0; r < rows->ItemCount(); ++r)
            if (rows->IsRowSelected(r) && RowBar(r) >= 0) list->MarkBarSelected(RowBar(r));
    } else {
        list->MarkBarSelected(-1);
    }
    list->CollectSelectedBars();

    if (list->OptimizeToolSetup() != 0 || list->CheckBarLengths() != 0) {
        if (EndListUnattended(g_errorText)) return;
        const std::string title = std::string(MsgString("T_LISTLAV")) + " " + list->ListName();
        ShowBoxLiteralTitle(title.c_str(), g_errorText, BoxButtons::Ok, BoxIcon::Warning);
        return;
    }

    const char* config = PathSlot(PathTable::kConfigPar);
    const int enable = ReadIniInt("LOADING", "ENABLE", 0, config);
    if (g_pSettings != nullptr && g_pSettings->options.MAGAZZINO_CARICO != 0 && enable != 0) {
        const std::string programDir = PathSlot(PathTable::kProgramDir);
        const std::string folder = ReadIniString("LOADING", "PATH", (programDir + "CONF\\").c_str(), 259, config);
        const int r = app::WriteLoadingList(*list, app::LoadingListPath(folder, programDir, list->ListName()), enable);
        if (r == app::kLoadingDifferentProfiles) {
            SetErrorText("%s", MsgError("ERR_PROF_DIVERSI"));
            if (EndListUnattended(g_errorText)) return;
            ShowBox("T_ERRORE", g_errorText, BoxButtons::Ok, BoxIcon::Warning);
            return;
        }
        if (r != app::kLoadingWritten) {
            EndListUnattended("loading list not written");
            return;
        }
    }

    if (MainFrame != nullptr) MainFrame->Post(UWM_SHOW_CONFBAR, 0, 0);
    CloseDialog();
}

bool CSelBarDialog::EndListUnattended(const std::string& text) {
    // The selection would stay open for an answer: the list ends here as refused (its bars keep
    // their repetitions) and the run goes on with the next list.
    if (!app::TellUnattended("selection refused", text)) return false;
    if (MainFrame != nullptr) {
        MainFrame->SetListTitle(0, nullptr);
        MainFrame->listRunning = 0;
        MainFrame->Post(UWM_OPEN_LIST, 0, 0);
    }
    CloseDialog();
    return true;
}

void CSelBarDialog::OnCancel() {
    if (m_closed) return; // a hidden selection takes no key: the confirmation has the bars now
    if (MainFrame != nullptr) MainFrame->SetListTitle(0, nullptr);
    m_rowMap.clear();
    CloseDialog();
}

void CSelBarDialog::CloseDialog() {
    // The main window keeps the object until it makes the next one.
    m_closed = true;
    hide();
}

// ---------------------------------------------------------------- main window step

void CMainFrame::OnShowSelBar() {
    delete selBarDialog.data();
    auto* dialog = new CSelBarDialog(this);
    selBarDialog = dialog;
    dialog->show();
    if (dialog->isHidden()) ShowBox("T_ATTENZIONE", "Error creating Dialog CodeWindow");
}
