#pragma once
// The advice shown as hints on the controls, and the welcome text of the About box.

#include <QString>
#include <vector>

struct HintText {
    const char* control;  // objectName of the control
    QString text;
};

// Assigned at construction, in this order; each replaces the control's earlier hint.
const std::vector<HintText>& ConstructionHints();

// Hints that are part of the layout itself.
QString AgpSidebandLayoutHint();
QString AgpModeLayoutHint();
QString BlockNewRequestLayoutHint();

QString WelcomeText();
