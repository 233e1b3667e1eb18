#pragma once
// A captioned group of radio buttons in one column with an item index (-1: none selected).
// clicked() is raised whenever the selected item changes, by the user or by the program,
// also while the group is disabled.

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QAbstractButton;
class QButtonGroup;
class QRadioButton;

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& caption, const QStringList& items, QWidget* parent);

    int itemIndex() const { return itemIndex_; }
    void setItemIndex(int index);
    QList<QRadioButton*> buttons() const { return buttons_; }

signals:
    void clicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ButtonToggled(QAbstractButton* button, bool checked);
    void PlaceButtons();

    QButtonGroup* group_;
    QList<QRadioButton*> buttons_;
    int itemIndex_ = -1;
};
