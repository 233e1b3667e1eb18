#pragma once
// The two kinds of message box of the program, routed through replaceable functions so that
// tests never block on a modal box.

#include <QString>

#include <functional>

// The program's own messages: modal, one OK button, no icon, no title of the program's.
void ShowProgramMessage(const QString& text);

// The failure display: modal, one OK button, error icon, the application title.
void ShowFailure(const QString& message);

// A full stop is added when the message is not empty and its last character comes after ".".
QString WithFullStop(const QString& message);

using MessageHandler = std::function<void(const QString&)>;
// Replace the boxes (tests); an empty handler restores the real box.
void SetProgramMessageHandler(MessageHandler handler);
void SetFailureHandler(MessageHandler handler);
