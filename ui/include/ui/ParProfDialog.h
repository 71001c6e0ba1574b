#pragma once
// The profile parameter sets: CParProfDialog browses the series and codes of the ".CP" files,
// shows a set with its section drawing, and creates, copies, deletes, imports and edits sets;
// CParProfEditDialog edits one set in the display unit and writes it back only when
// something changed.
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "ui/ResizeDialog.h"
#include "ui/par_prof_logic.h"

class QComboBox;
class QListWidget;

namespace ui {

class ConfigBinder;
class QtBinderForm;
class MViewDXFStatic;

// Runs the profile parameter sets dialog modally over parent: 1 (OK) or 2 (closed).
// listOpen: a bar list is open in the main window (the dialog then only shows).
int RunProfileSetsDialog(QWidget* parent, bool listOpen = false);

// Control ids of the two dialogs (the value controls are the rows of ProfileSetFields()).
namespace parprof {
constexpr int kSeries = 250;
constexpr int kCodes = 251;
constexpr int kPreview = 1044;
constexpr int kNew = 245;
constexpr int kDelete = 257;
constexpr int kEdit = 256;
constexpr int kCopy = 258;
constexpr int kImport = 1087;
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kTakePliers = 1260;   // B_ACQ_PAR
constexpr int kTakeVices = 1261;    // B_MOTCLAMPS
constexpr int kGroupBlade = 1262;   // S_ST_LAMA
constexpr int kLabelSeries = 1263;
constexpr int kLabelCode = 1264;
constexpr int kNotInForce = 1265;   // notice: the set is not in force
constexpr int kLabelBase = 3000;    // label of value row i: kLabelBase + i
constexpr int kUnitBase = 3100;     // unit of value row i: kUnitBase + i
// The six picture statics, in picture order.
constexpr int kPictures[6] = {1072, 1073, 1075, 1076, 1077, 1078};
} // namespace parprof

// A picture static: its bitmap stretched over the control, magenta transparent.
class CPictureStatic : public QWidget {
    Q_OBJECT
public:
    CPictureStatic(QWidget* parent, const QImage& bitmap);
    const QImage& Bitmap() const { return m_bitmap; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_bitmap;
};

// The six pictures of the profile sets (source 80 x 80 for the first, third and fourth, 79 x 79
// for the others), drawn on magenta: 0 profile offsets, 1 clamp offsets, 2 glass outside,
// 3 glass inside, 4 blade rise, 5 clamp rotation.
QImage ProfileSetPicture(int index);

class CParProfEditDialog : public CResizeDialog {
    Q_OBJECT
public:
    CParProfEditDialog(QWidget* parent, const std::string& series, const std::string& code);
    ~CParProfEditDialog() override;

    void OnInitDialog() override;

public slots:
    void OnOK();
    void OnCancel();
    void reject() override { OnCancel(); }
    // Takes the pliers offsets (B_ACQ_PAR) and the vice values (B_MOTCLAMPS) from the machine.
    void OnTakePliers();
    void OnTakeVices();

private:
    void SetField(const char* key, float value);
    bool AxesReady();

    std::string m_series;
    std::string m_code;
    int m_variant;
    std::unique_ptr<QtBinderForm> m_form;
    std::unique_ptr<ConfigBinder> m_binder;
};

class CParProfDialog : public CResizeDialog {
    Q_OBJECT
public:
    explicit CParProfDialog(QWidget* parent, bool listOpen = false);
    ~CParProfDialog() override;

    void OnInitDialog() override;

    // The drawing chooser of New and Copy: given the folder, returns IDOK with the chosen
    // path, or IDCANCEL (tests replace the file dialog).
    using DrawingChooser = std::function<int(const std::string& folder, std::string& path)>;
    void SetDrawingChooser(DrawingChooser chooser) { m_chooser = std::move(chooser); }
    // Runs the edit dialog of a set; returns its result (tests replace it).
    using EditRunner = std::function<int(QWidget* parent, const std::string& series, const std::string& code)>;
    void SetEditRunner(EditRunner runner) { m_editRunner = std::move(runner); }

    const std::string& CurrentSeries() const { return m_series; }
    const std::string& CurrentCode() const { return m_code; }
    QComboBox* SeriesBox() const;
    QListWidget* CodeBox() const;
    MViewDXFStatic* Preview() const { return m_preview; }

public slots:
    void OnNew();
    void OnDelete();
    void OnEdit();
    void OnCopy();
    void OnImport();
    void OnSeriesChanged();
    void OnCodeChanged();

private:
    void FillSeries();
    void ShowSet();
    bool ChooseDrawing(std::string& series, std::string& code);
    bool Import();

    bool m_listOpen;
    std::string m_series;
    std::string m_code;
    ProfileCodeList m_codes;
    MViewDXFStatic* m_preview = nullptr;
    DrawingChooser m_chooser;
    EditRunner m_editRunner;
};

} // namespace ui
