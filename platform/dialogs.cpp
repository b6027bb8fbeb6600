#include "platform/dialogs.h"

#include <utility>

namespace rangwerk {

MessageRequest RefusalBox(std::string text, std::string caption) {
    MessageRequest r;
    r.text = std::move(text);
    r.caption = std::move(caption);
    r.icon = MessageIcon::Warning;
    return r;
}

MessageRequest WarningQuestion(std::string text) {
    MessageRequest r;
    r.text = std::move(text);
    r.caption = kCaptionWarning;
    r.icon = MessageIcon::Warning;
    r.buttons = {MessageButton::Yes, MessageButton::No};
    r.defaultButton = MessageButton::Yes;
    r.escapeButton = MessageButton::No;
    r.sound = SystemSound::Exclamation;
    return r;
}

MessageRequest ConfirmationQuestion(std::string text) {
    MessageRequest r;
    r.text = std::move(text);
    r.caption = kCaptionConfirmation;
    r.icon = MessageIcon::Question;
    r.buttons = {MessageButton::Yes, MessageButton::No, MessageButton::Cancel};
    r.defaultButton = MessageButton::Yes;
    r.escapeButton = MessageButton::Cancel;
    r.sound = SystemSound::Question;
    return r;
}

MessageRequest InformationMessage(std::string text, std::string caption) {
    MessageRequest r;
    r.text = std::move(text);
    r.caption = std::move(caption);
    r.icon = MessageIcon::Information;
    return r;
}

std::string WithFullStop(const std::string& message) {
    // The last character is compared by its code in the 8-bit character set. Every character
    // outside ASCII ends in a UTF-8 byte of 0x80 or above, and every such character has a code
    // above that of "." in Windows-1252 as well, so the last byte decides.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
        return message + ".";
    }
    return message;
}

MessageRequest GeneralErrorMessage(const std::string& message) {
    MessageRequest r;
    r.text = WithFullStop(message);
    r.caption = kApplicationTitle;
    r.icon = MessageIcon::Error;
    return r;
}

const char* ButtonText(MessageButton button) {
    switch (button) {
        case MessageButton::Ok:
            return "OK";
        case MessageButton::Cancel:
            return "Abbrechen";
        case MessageButton::Yes:
            return "&Ja";
        case MessageButton::No:
            return "&Nein";
    }
    return "";
}

}  // namespace rangwerk
