#pragma once
// Pictures of the wizard drawn by the composer itself: a sample label composed in each of the
// eight layouts, and the two picture kinds through the label's picture writers. A sample
// profile library and a sample drawing live in a temporary folder for the wizard's lifetime.
#include <QPixmap>
#include <QTemporaryDir>
#include <string>

class MConfigura;

namespace labelprint::wizard {

class SampleLabel {
public:
    SampleLabel();
    SampleLabel(const SampleLabel&) = delete;
    SampleLabel& operator=(const SampleLabel&) = delete;

    // The label of cfg in the given layout as the program prints it for a piece (SampleJob:
    // its barcode when the layout has one, its drawing, the field names on the lines that
    // print a field), as it comes out of the printer, turned so that its text reads upright,
    // fitted into size.
    QPixmap LayoutPicture(const MConfigura& cfg, int layout, QSize size) const;
    // The ZPL that picture is drawn from: the composer's label for the sample job.
    std::string LayoutZpl(const MConfigura& cfg, int layout) const;
    // Picture kind 0: a profile section from the profile library; other: a bitmap picture.
    QPixmap PictureKind(int kind, QSize size) const;

    const std::string& ProfileLibrary() const { return library_; }
    const std::string& Drawing() const { return drawing_; }

private:
    QTemporaryDir dir_;
    std::string library_;
    std::string drawing_;
};

} // namespace labelprint::wizard
