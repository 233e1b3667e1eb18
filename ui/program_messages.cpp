#include "program_messages.h"

#include "help_texts.h"

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
    const QString text = QString::fromStdString(WithFullStop(message.toStdString()));
    if (failureHandler) {
        failureHandler(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, ActiveWindow());
    box.exec();
}

void SetProgramMessageHandler(MessageHandler handler) { programMessageHandler = std::move(handler); }

void SetFailureHandler(MessageHandler handler) { failureHandler = std::move(handler); }
