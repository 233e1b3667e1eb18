#pragma once
// A captioned group of radio buttons in one column. It shows the item it is told to show (-1:
// none) and reports the item the user clicks; setting an item reports nothing.

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

class RadioGroupBox : public QGroupBox {
    Q_OBJECT
public:
    RadioGroupBox(const QString& caption, const QStringList& items, QWidget* parent);

    void Show(int index);
    QList<QRadioButton*> buttons() const { return buttons_; }

signals:
    void picked(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QButtonGroup* group_;
    QList<QRadioButton*> buttons_;
};
