// The wizard sheet and its pages.
#include "wizard_pages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "static_ex.h"
#include "wizard_editor.h"

namespace labelprint::wizard {
namespace {

void CopyLines(const MListaRighe& from, MListaRighe& to) {
    to.lines.clear();
    for (const auto& line : from.lines) to.lines.push_back(line ? std::make_unique<MRiga>(*line) : nullptr);
    to.fieldNames = from.fieldNames;
    to.fieldNameCount = from.fieldNameCount;
    std::copy(std::begin(from.ids), std::end(from.ids), std::begin(to.ids));
    std::copy(std::begin(from.sizes), std::end(from.sizes), std::begin(to.sizes));
}

QRadioButton* Radio(const Controls& c, int id) { return c.Get<QRadioButton>(id); }

// A picture radio: the picture fills the button less 12 pixels (and the round mark).
void SetRadioPicture(QRadioButton* radio, const QPixmap& picture) {
    radio->setIcon(QIcon(picture));
    radio->setIconSize(picture.size());
}

// Room of each page's controls (their tables place them within it).
constexpr QSize kPageSize{770, 430};

QSize PictureSize(const QWidget* radio) { return radio->size() - QSize(12 + 24, 12); }

// The refusal of a layout whose texts do not all find room: the margin named with the
// millimetres it may take, or what else to change.
QString MarginRefusal(const TextRoom& room) {
    if (room.kind == TextRoom::Texts) return Tr("ID_ERR_TESTI");
    const bool left = room.kind == TextRoom::Left;
    QString limit = Tr(left ? "ID_ERR_MARGSX" : "ID_ERR_MARGUP");
    limit.replace(QStringLiteral("%d"), QString::number(room.limitMm));
    return Tr(left ? "ID_MARGSX" : "ID_MARGUP") + QStringLiteral(": ") + limit;
}

} // namespace

// ---- page 1: label size, margins, alignment, orientation ----

MCfgPag::MCfgPag(MConfigura& cfg, const SampleLabel& samples)
    : cfg_(cfg),
      samples_(samples),
      lengths_{{6004, "ID_LARGHEZZA", &MConfigura::labelWidth, {}},
               {6007, "ID_ALTEZZA", &MConfigura::labelHeight, {}},
               {6038, "ID_MARGSX", &MConfigura::marginLeft, {}},
               {6011, "ID_MARGUP", &MConfigura::marginTop, {}}} {
    setObjectName(QStringLiteral("id_%1").arg(kTemplateId));
    setTitle(Tr("ID_DIMENSIONI"));
    controls_.Build(this, {
        {0, Kind::Group, {10, 5, 360, 130}, "ID_ETICHETTA"},
        {0, Kind::Static, {25, 40, 130, 30}, "ID_LARGHEZZA"},
        {6004, Kind::Edit, {160, 40, 120, 30}, nullptr},
        {0, Kind::Static, {288, 40, 50, 30}, "mm.", true},
        {0, Kind::Static, {25, 85, 130, 30}, "ID_ALTEZZA"},
        {6007, Kind::Edit, {160, 85, 120, 30}, nullptr},
        {0, Kind::Static, {288, 85, 50, 30}, "mm.", true},
        {0, Kind::Group, {390, 5, 360, 130}, "ID_MARGINI"},
        {0, Kind::Static, {405, 40, 130, 30}, "ID_MARGSX"},
        {6038, Kind::Edit, {540, 40, 120, 30}, nullptr},
        {0, Kind::Static, {668, 40, 50, 30}, "mm.", true},
        {0, Kind::Static, {405, 85, 130, 30}, "ID_MARGUP"},
        {6011, Kind::Edit, {540, 85, 120, 30}, nullptr},
        {0, Kind::Static, {668, 85, 50, 30}, "mm.", true},
        {0, Kind::Group, {10, 150, 360, 150}, "ID_ALIGNMENT"},
        {20114, Kind::Radio, {25, 180, 320, 30}, "ID_AL_SX"},
        {20115, Kind::Radio, {25, 215, 320, 30}, "ID_AL_CENTER"},
        {20117, Kind::Radio, {25, 250, 320, 30}, "ID_AL_DX"},
        {20118, Kind::Check, {405, 180, 340, 30}, "ID_CHKHOR"},
        {20200, Kind::Static, {10, 315, 740, 60}, nullptr},
    });
    auto* error = controls_.Get<QLabel>(20200);
    error->setWordWrap(true);
    error->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    // Each radio sets the alignment; the radios clear one another.
    auto* group = new QButtonGroup(this);
    const int radios[3] = {20114, 20115, 20117};
    for (int value = 0; value < 3; ++value) {
        group->addButton(Radio(controls_, radios[value]), value);
    }
    connect(group, &QButtonGroup::idClicked, this, [this](int value) { alignment_ = value; });
}

void MCfgPag::initializePage() {
    for (LengthEntry& e : lengths_) {
        e.shown = FormatLength(cfg_.*e.field);
        controls_.Get<QLineEdit>(e.id)->setText(QString::fromStdString(e.shown));
    }
    alignment_ = cfg_.alignment;
    const int radios[3] = {20114, 20115, 20117};
    for (int value = 0; value < 3; ++value) Radio(controls_, radios[value])->setChecked(alignment_ == value);
    // Upright print is any value but 0 for the composer; an untouched box keeps the value.
    orientationShown_ = cfg_.orientation != 0;
    controls_.Get<QCheckBox>(20118)->setChecked(orientationShown_);
    controls_.Widget(20200)->hide();
}

void MCfgPag::Refuse(int editId, const QString& text) {
    auto* message = controls_.Get<QLabel>(20200);
    message->setText(text);
    message->show();
    auto* edit = controls_.Get<QLineEdit>(editId);
    edit->setFocus();
    edit->selectAll();
}

bool MCfgPag::validatePage() {
    double values[4] = {};
    for (int i = 0; i < 4; ++i) {
        const LengthEntry& e = lengths_[i];
        auto* edit = controls_.Get<QLineEdit>(e.id);
        const LengthError error = ReadLength(ToCp1252(edit->text()), e.shown, cfg_.*e.field, values[i]);
        if (error != LengthError::None) {
            Refuse(e.id, Tr(e.labelKey) + QStringLiteral(": ") +
                             Tr(error == LengthError::NotNumber ? "ID_ERR_NUMERO" : "ID_ERR_NEGATIVO"));
            return false;
        }
    }
    // The label must be one the printer can print in the orientation chosen.
    const bool ticked = controls_.Get<QCheckBox>(20118)->isChecked();
    const int orientation = ticked != orientationShown_ ? (ticked ? 1 : 0) : cfg_.orientation;
    const LabelSizeError size = CheckLabelSize(values[0], values[1], orientation != 0);
    if (size != LabelSizeError::None) {
        const bool width = size == LabelSizeError::WidthAcross || size == LabelSizeError::WidthAlong;
        const bool across = size == LabelSizeError::WidthAcross || size == LabelSizeError::HeightAcross;
        const LengthEntry& e = lengths_[width ? 0 : 1];
        Refuse(e.id, Tr(e.labelKey) + QStringLiteral(": ") + Tr(across ? "ID_ERR_LARGA" : "ID_ERR_LUNGA"));
        return false;
    }
    // A margin that leaves a text of the label no room is refused with the margin it may
    // take; where no margin would do, the last page says what to change.
    MConfigura trial;
    trial.CopyFrom(cfg_);
    for (int i = 0; i < 4; ++i) trial.*lengths_[i].field = values[i];
    trial.alignment = alignment_;
    trial.orientation = orientation;
    const TextRoom room = CheckTextRoom(trial, samples_.Drawing());
    if (room.kind == TextRoom::Left || room.kind == TextRoom::Top) {
        const LengthEntry& e = lengths_[room.kind == TextRoom::Left ? 2 : 3];
        Refuse(e.id, MarginRefusal(room));
        return false;
    }
    controls_.Widget(20200)->hide();
    for (int i = 0; i < 4; ++i) cfg_.*lengths_[i].field = values[i];
    cfg_.alignment = alignment_;
    cfg_.orientation = orientation;
    return true;
}

// ---- page 2: the layout ----

MCfgTmplLay::MCfgTmplLay(MConfigura& cfg, const SampleLabel& samples) : cfg_(cfg), samples_(samples) {
    setObjectName(QStringLiteral("id_%1").arg(kTemplateId));
    setTitle(Tr("ID_LAYOUT"));
    auto* group = new QButtonGroup(this);
    for (int layout = 0; layout < 8; ++layout) {
        const QRect rect(10 + (layout % 4) * 188, 5 + (layout / 4) * 178, 172, 168);
        controls_.Build(this, {{kFirstRadio + layout, Kind::Radio, rect, nullptr}});
        group->addButton(Radio(controls_, kFirstRadio + layout), layout);
        // The layouts with the picture slot (profile drawing) carry an asterisk.
        if (layout < 4) controls_.Build(this, {{0, Kind::Static, {rect.right() + 2, rect.top(), 12, 20}, "*", true}});
    }
    controls_.Build(this, {{0, Kind::Static, {10, 365, 740, 26}, "ID_ASTERISCO"}});
}

void MCfgTmplLay::initializePage() {
    // Drawn now, so the pictures show the label of page 1 as the composer lays it out.
    for (int layout = 0; layout < 8; ++layout) {
        QRadioButton* radio = Radio(controls_, kFirstRadio + layout);
        SetRadioPicture(radio, samples_.LayoutPicture(cfg_, layout, PictureSize(radio)));
        radio->setChecked(cfg_.layout == layout);
    }
}

bool MCfgTmplLay::validatePage() {
    for (int layout = 0; layout < 8; ++layout)
        if (Radio(controls_, kFirstRadio + layout)->isChecked()) cfg_.layout = layout;
    return true;
}

// ---- page 3: barcode, picture, text lines ----

MCfgTempInfoWiz::MCfgTempInfoWiz(MConfigura& cfg, const SampleLabel& samples) : cfg_(cfg), samples_(samples) {
    setObjectName(QStringLiteral("id_%1").arg(kTemplateId));
    setTitle(Tr("ID_LAYOUTINFO"));
    controls_.Build(this, {
        {20035, Kind::Button, {10, 5, 50, 30}, "<<", true},
        {20036, Kind::Static, {65, 5, 260, 30}, "ID_WIZ"},
        {20033, Kind::Button, {330, 5, 50, 30}, ">>", true},
        {20034, Kind::Button, {10, 340, 370, 34}, "ID_MODIFICA"},
        {0, Kind::Group, {395, 0, 360, 215}, "ID_BCDIMENSIONE"},
        {6011, Kind::Check, {410, 28, 330, 26}, "ID_USABARCODE"},
        {6034, Kind::Check, {410, 58, 330, 26}, "ID_BCPERLAV"},
        {6012, Kind::Check, {410, 88, 330, 26}, "ID_USATAGLAV"},
        {0, Kind::Static, {410, 125, 110, 28}, "ID_TIPO"},
        {6015, Kind::Combo, {525, 123, 215, 30}, nullptr},
        {0, Kind::Static, {410, 168, 110, 28}, "ID_DIMENSIONE"},
        {20119, Kind::Combo, {525, 166, 215, 30}, nullptr},
        {0, Kind::Group, {395, 222, 360, 160}, "ID_IMMAGINE"},
        {1008, Kind::Radio, {405, 248, 170, 126}, nullptr},
        {1009, Kind::Radio, {580, 248, 170, 126}, nullptr},
        {20201, Kind::Static, {10, 386, 745, 44}, nullptr},
    });
    controls_.Get<QLabel>(20036)->setAlignment(Qt::AlignCenter);
    auto* refusal = controls_.Get<QLabel>(20201);
    refusal->setWordWrap(true);
    refusal->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    refusal->hide();
    for (int r = 0; r < kPreviewRows; ++r) {
        controls_.Build(this, {
            {20039 + r, Kind::Cell, {10, 42 + r * 42, 184, 38}, nullptr},
            {20048 + r, Kind::Cell, {196, 42 + r * 42, 184, 38}, nullptr},
        });
    }
    auto* pictures = new QButtonGroup(this);
    pictures->addButton(Radio(controls_, 1008), 0);
    pictures->addButton(Radio(controls_, 1009), 1);

    connect(controls_.Get<QCheckBox>(6011), &QCheckBox::toggled, this, [this] { FollowBarcode(); });
    for (int id : {20033, 20035}) {
        connect(controls_.Get<QPushButton>(id), &QPushButton::clicked, this, [this] {
            cfg_.wizardCounter = 1; // the arrows redraw the preview; the counter stays 1
            RedrawPreview();
        });
    }
    connect(controls_.Get<QPushButton>(20034), &QPushButton::clicked, this, [this] { OpenEditor(); });
}

void MCfgTempInfoWiz::FollowBarcode() {
    const bool on = controls_.Get<QCheckBox>(6011)->isChecked();
    for (int id : {6034, 6015, 20119}) controls_.Widget(id)->setEnabled(on);
}

void MCfgTempInfoWiz::initializePage() {
    if (!initialised_) {
        initialised_ = true;
        SetRadioPicture(Radio(controls_, 1008), samples_.PictureKind(0, PictureSize(Radio(controls_, 1008))));
        SetRadioPicture(Radio(controls_, 1009), samples_.PictureKind(1, PictureSize(Radio(controls_, 1009))));
        Radio(controls_, cfg_.pictureKind == 0 ? 1008 : 1009)->setChecked(true);
        controls_.Get<QCheckBox>(6011)->setChecked(cfg_.useBarcode);
        controls_.Get<QCheckBox>(6034)->setChecked(cfg_.barcodeByJob);
        controls_.Get<QCheckBox>(6012)->setChecked(cfg_.workTag);
        auto* kind = controls_.Get<QComboBox>(6015);
        kind->addItems({QStringLiteral("EAN13"), QStringLiteral("CODE39"), QStringLiteral("CODABAR"),
                        QStringLiteral("EAN8"), QStringLiteral("Interleaved 2/5"), QStringLiteral("Code 128")});
        kind->setCurrentIndex(cfg_.barcodeKind >= 0 && cfg_.barcodeKind < 6 ? cfg_.barcodeKind : -1);
        auto* size = controls_.Get<QComboBox>(20119);
        size->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
        size->setCurrentIndex(cfg_.barcodeSize >= 0 && cfg_.barcodeSize < 3 ? cfg_.barcodeSize : -1);
        FollowBarcode();
        for (int r = 0; r < kPreviewRows; ++r) {
            controls_.Get<CStaticEx>(20039 + r)->SetBkColor(Qt::white);
            controls_.Get<CStaticEx>(20048 + r)->SetBkColor(Qt::white);
        }
        CopyLines(cfg_.labelLines, labels_);
        PrepareLabelLines(labels_, cfg_.fieldNames);
        CopyLines(cfg_.headerLines, headers_);
        // Taken as stored: a grid the editor's lists do not offer (a hand-edited file) is
        // written back unchanged unless the operator changes it.
        grid_.columns = cfg_.gridColumns;
        grid_.rows = cfg_.gridRows;
        grid_.header = cfg_.headerColumn;
    }
    // The picture kinds belong to the layouts with a picture slot.
    const bool pictureSlot = cfg_.layout < 4;
    Radio(controls_, 1008)->setEnabled(pictureSlot);
    Radio(controls_, 1009)->setEnabled(pictureSlot);
    RedrawPreview();
}

void MCfgTempInfoWiz::RedrawPreview() {
    controls_.Get<QLabel>(20036)->setText(Tr("ID_PERSONALIZZATO"));
    for (int r = 0; r < kPreviewRows; ++r) {
        for (int c = 0; c < 2; ++c) {
            QWidget* cell = controls_.Widget((c == 0 ? 20039 : 20048) + r);
            const PreviewSource src = PreviewCell(grid_, r, c);
            const MRiga* line = src.list == PreviewSource::Header  ? headers_.Line(src.line)
                                : src.list == PreviewSource::Label ? labels_.Line(src.line)
                                                                   : nullptr;
            ShowLineInCell(cell, line, line ? line->style.text : std::string());
            if (c == 1) cell->setVisible(grid_.columns == 2);
        }
    }
}

void MCfgTempInfoWiz::OpenEditor() {
    MDlgEditEti editor(grid_, labels_, headers_, cfg_.fieldNames, this);
    if (editor.exec() == QDialog::Accepted) grid_ = editor.Result();
    RedrawPreview();
}

void MCfgTempInfoWiz::ApplyTo(MConfigura& c) {
    const int kind = controls_.Get<QComboBox>(6015)->currentIndex();
    const int size = controls_.Get<QComboBox>(20119)->currentIndex();
    if (kind >= 0) c.barcodeKind = kind;
    if (size >= 0) c.barcodeSize = size;
    c.useBarcode = controls_.Get<QCheckBox>(6011)->isChecked();
    c.barcodeByJob = controls_.Get<QCheckBox>(6034)->isChecked();
    c.workTag = controls_.Get<QCheckBox>(6012)->isChecked();
    if (Radio(controls_, 1008)->isChecked()) c.pictureKind = 0;
    else if (c.pictureKind == 0) c.pictureKind = 1;
    c.gridColumns = grid_.columns;
    c.gridRows = grid_.rows;
    c.headerColumn = grid_.header;
    c.wizardCounter = 1;
    CopyLines(labels_, c.labelLines);
    CopyLines(headers_, c.headerLines);
    // The list's field ids become the lines' own, as saving the layout makes them (the
    // program reads those).
    for (int i = 0; i < c.labelLines.Count() && i < MListaRighe::kSlots; ++i)
        if (const MRiga* line = c.labelLines.Line(i)) c.labelLines.ids[i] = line->fieldId;
}

bool MCfgTempInfoWiz::validatePage() {
    // The layout as it would be saved: no text of its label may go without a place.
    MConfigura trial;
    trial.CopyFrom(cfg_);
    ApplyTo(trial);
    const TextRoom room = CheckTextRoom(trial, samples_.Drawing());
    auto* message = controls_.Get<QLabel>(20201);
    if (room.kind != TextRoom::Fits) {
        message->setText(MarginRefusal(room));
        message->show();
        return false;
    }
    message->hide();
    ApplyTo(cfg_);
    return true;
}

// ---- the sheet ----

MMainPag::MMainPag(MConfigura& cfg, const std::string& iniPath, QWidget* parent) : QWizard(parent) {
    setObjectName(QStringLiteral("MMainPag"));
    cfg.labelLines.fieldNames = cfg.fieldNames;
    cfg.labelLines.fieldNameCount = static_cast<int>(cfg.fieldNames.size());
    cfg.headerLines.fieldNameCount = MListaRighe::kHeaderLines;
    cfg.Load(iniPath);

    setWindowTitle(Tr("ID_CONFIGURAZIONE"));
    setFont(DialogFont());
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnStartPage, false);
    // The page title in a heading font, over pages whose controls are placed by their tables.
    setTitleFormat(Qt::PlainText);
    size_ = new MCfgPag(cfg, samples_);
    layout_ = new MCfgTmplLay(cfg, samples_);
    info_ = new MCfgTempInfoWiz(cfg, samples_);
    for (QWizardPage* page : {static_cast<QWizardPage*>(size_), static_cast<QWizardPage*>(layout_),
                              static_cast<QWizardPage*>(info_)}) {
        page->setMinimumSize(kPageSize);
        addPage(page);
    }
    setFixedSize(820, 590);
}

} // namespace labelprint::wizard
