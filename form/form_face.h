#pragma once
// What a front-end gives the form core: it draws the controls, runs the timer, shows the
// program's message boxes and the hints. It reports the user's actions to the controls
// (CheckBox::UserChecks, DropDownList::UserPicks, ...), each tick to TMForm::iRefreshTmr, and
// the window's close to TMForm::FormClose.

#include "controls.h"

#include <string>

class TMForm;

class FormFace : public ControlObserver {
public:
    // Construction step 1: make a drawn control for every row of the layout table, each as
    // the core's control of that name shows it, and connect the user's actions to it.
    virtual void LoadLayout(TMForm& form) = 0;
    // From ControlObserver: a control's state changed; draw it anew. For the timer: run it at
    // its interval from now on (a new period begins), or stop it.
    void ControlChanged(const Control& control) override = 0;
    // Modal, one OK button, no icon and no title of the program's; returns once it is closed.
    // The timer keeps ticking meanwhile.
    virtual void ShowMessage(const std::string& text) = 0;
    // How long a hint stays once it shows.
    virtual void SetHintDisplayTime(int milliseconds) = 0;
};
