#pragma once

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace rangwerk {

enum class MessageIcon { None, Warning, Error, Information, Question };

enum class MessageButton { Ok, Cancel, Yes, No };

// The system sound played before a message box appears.
enum class SystemSound { None, Exclamation, Question };

// One message box: text, caption, icon, buttons, the buttons that Enter and Escape press,
// and the sound played before it is shown. All texts are UTF-8.
struct MessageRequest {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    std::vector<MessageButton> buttons{MessageButton::Ok};
    MessageButton defaultButton = MessageButton::Ok;
    MessageButton escapeButton = MessageButton::Ok;
    SystemSound sound = SystemSound::None;

    bool operator==(const MessageRequest&) const = default;
};

// A file dialog: the filter in the form "Description|pattern" and the default extension
// (without the dot) added when the chosen name has none.
struct FileDialogRequest {
    std::string filter;
    std::string defaultExtension;

    bool operator==(const FileDialogRequest&) const = default;
};

// Message boxes and file dialogs. The windows use a Qt implementation; tests give a scripted one
// its answers in advance and read back what was asked.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Plays the request's sound, shows the box modally and returns the button pressed.
    // Closing the box returns the escape button.
    virtual MessageButton ShowMessage(const MessageRequest& request) = 0;

    // The save dialog asks before overwriting an existing file. Empty optional: cancelled.
    virtual std::optional<std::string> AskSaveFileName(const FileDialogRequest& request) = 0;

    // The open dialog accepts only an existing file. Empty optional: cancelled.
    virtual std::optional<std::string> AskOpenFileName(const FileDialogRequest& request) = 0;
};

// A fault the user can correct: exclamation icon and an OK button.
MessageRequest RefusalBox(std::string text, std::string caption);

// A warning question with "&Ja" and "&Nein", preceded by the exclamation beep.
// "&Ja" is the default button, "&Nein" the escape button.
MessageRequest WarningQuestion(std::string text);

// A confirmation question with "&Ja", "&Nein" and "Abbrechen", preceded by the question sound.
MessageRequest ConfirmationQuestion(std::string text);

// An information message with an OK button.
MessageRequest InformationMessage(std::string text, std::string caption);

// The general error box for failures that escape an event handler: caption "Rangwerk",
// error icon, OK, and the text with a full stop added when its last character sorts after ".".
MessageRequest GeneralErrorMessage(const std::string& message);

// The full-stop rule of the general error box on its own.
std::string WithFullStop(const std::string& message);

// The German captions of the standard message kinds and the button texts.
inline constexpr const char* kCaptionWarning = "Warnung";
inline constexpr const char* kCaptionError = "Fehler";
inline constexpr const char* kCaptionInformation = "Informationen";
inline constexpr const char* kCaptionConfirmation = "Bestätigung";
inline constexpr const char* kApplicationTitle = "Rangwerk";

const char* ButtonText(MessageButton button);

// Runs a painting handler; a failure that escapes it is written to the error output (a message
// box opened while painting would be painted over and over).
template <class Handler>
void RunWhilePainting(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Rangwerk: %s\n", e.what());
    }
}

// Runs an event handler; a failure that escapes it is shown in the general error box and the
// program goes on.
template <class Handler>
void RunGuarded(Dialogs& dialogs, Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        dialogs.ShowMessage(GeneralErrorMessage(e.what()));
    }
}

}  // namespace rangwerk
