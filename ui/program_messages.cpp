#include "program_messages.h"

#include <QApplication>
#include <QMessageBox>

namespace {

MessageHandler programMessageHandler;
MessageHandler failureHandler;

QWidget* ActiveWindow() { return QApplication::activeWindow(); }

}  // namespace

void ShowProgramMessage(const QString& text)
{
    if (programMessageHandler) {
        programMessageHandler(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, ActiveWindow());
    box.exec();
}

void ShowFailure(const QString& message)
{
    const QString text = WithFullStop(message);
    if (failureHandler) {
        failureHandler(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, ActiveWindow());
    box.exec();
}

QString WithFullStop(const QString& message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + QLatin1Char('.');
    return message;
}

void SetProgramMessageHandler(MessageHandler handler) { programMessageHandler = std::move(handler); }

void SetFailureHandler(MessageHandler handler) { failureHandler = std::move(handler); }
