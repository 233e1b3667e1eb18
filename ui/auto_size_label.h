#pragma once
// A label that takes the size of its text. A right-aligned one keeps its right edge when its
// text or font changes and grows to the left; the others keep their left edge.

#include <QLabel>

class AutoSizeLabel : public QLabel {
    Q_OBJECT
public:
    // geometry: where the layout puts the label; its right edge anchors a right-aligned label.
    AutoSizeLabel(const QString& text, const QRect& geometry, Qt::Alignment alignment,
                  QWidget* parent);

    void setText(const QString& text);  // resizes; QLabel::setText is not virtual

protected:
    void changeEvent(QEvent* event) override;

private:
    void FitToText();

    int left_;
    int right_;
};
