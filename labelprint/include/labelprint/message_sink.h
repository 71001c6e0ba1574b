#pragma once
// Where the label library's message boxes go. The library itself has no toolkit: the
// program installs a sink that shows a message box (tagrix::SetMessageSink, Tagrix.h), tests
// install a recorder. Without one, messages are written to the standard error stream.
namespace tagrix {

enum BoxIcon : int {
    kBoxPlain = 0, // OK button only, no icon
    kBoxError = 1, // OK button, error icon
    kBoxNotice = 2, // OK button, warning icon: the label went out, but without an element
                    // (its barcode); the caller may tell it once for many labels
    kBoxTextsNotice = 3, // OK button, warning icon: the label went out, but texts of its
                         // layout found no place on it; the caller may tell it once a layout
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // text and caption are single-byte texts, already looked up in the message table.
    virtual void Show(const char* text, const char* caption, int icon) = 0;
};

} // namespace tagrix
