#pragma once
// The two kinds of message box of the program, routed through replaceable functions so that
// tests never block on a modal box.

#include <QString>

#include <functional>

// The program's own messages: modal, one OK button, no icon, no title of the program's.
void ShowProgramMessage(const QString& text);

// The failure display: modal, one OK button, error icon, the application title; the text
// with a full stop as WithFullStop adds it.
void ShowFailure(const QString& message);

using MessageHandler = std::function<void(const QString&)>;
// Replace the boxes (tests); an empty handler restores the real box.
void SetProgramMessageHandler(MessageHandler handler);
void SetFailureHandler(MessageHandler handler);
