// The toolkit's message box: a bold title line, a message of one or more lines and an
// OK button, sized to the text. It has resources of its own, so it works without an
// editor. OK closes it only when clicked with the left button.
#pragma once

#include "GUI/button.h"
#include "GUI/dialog.h"
#include "GUI/label.h"

namespace velk::gui {

class SCursor;

class SMessageDialog : public SDialog {
public:
    // Builds the hidden 320 x 240 dialog with its title, message and OK button.
    SMessageDialog();
    ~SMessageDialog() override;

    // OK pressed with the left button closes the dialog.
    void ParseEvent(SEvent* event) override;

    // Lays out and shows the texts; returns at once.
    virtual void ShowMessage(const char* message, const char* title);
    // Stores and shows the texts and sizes everything to them (the wider of message
    // and title). Null texts are empty.
    virtual void SetMessage(const char* message, const char* title);
    // Like SetMessage but sized by the message alone, then runs the modal loop.
    virtual void ShowModal(const char* message, const char* title);
    using SDialog::ShowModal;

    SLabel<false>* TitleLabel() const { return titleLabel; }
    SLabel<false>* MessageLabel() const { return messageLabel; }
    SButton<false>* OkButton() const { return okButton; }
    const char* Message() const { return message.Text(); }
    const char* Title() const { return title.Text(); }

private:
    void Store(const char* newMessage, const char* newTitle);
    // Sizes labels, button and dialog to the message (and title) width M and height C.
    void Layout(bool withTitle);

    SGlobals* ownGlobals = nullptr;
    SCursor* cursor = nullptr;
    context::SDrawFont* titleFont = nullptr;
    context::SDrawFont* messageFont = nullptr;
    SLabel<false>* titleLabel = nullptr;
    SLabel<false>* messageLabel = nullptr;
    SButton<false>* okButton = nullptr;
    LabelText message;
    LabelText title;
};

} // namespace velk::gui
