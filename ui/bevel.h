#pragma once
// A sunken rectangular frame that only decorates: shadow on the top and left edges, light on
// the bottom and right.

#include <QFrame>

class Bevel : public QFrame {
    Q_OBJECT
public:
    explicit Bevel(QWidget* parent);
};
