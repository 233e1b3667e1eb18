#pragma once
// The form core on a fresh emulated i815, drawn by a face that only takes notes.

#include "../support/config_cycles.h"
#include "../support/emulated_chip_fixture.h"
#include "main_form.h"
#include "form_face.h"
#include "mechanism1_access.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class RecordingFace : public FormFace {
public:
    void LoadLayout(TMForm&) override { ++layoutLoads; }
    void ControlChanged(const Control& control) override
    {
        changed.push_back(control.Name());
        if (control.Kind() == ControlKind::Timer) {
            const auto& timer = static_cast<const Timer&>(control);
            timerStarts += timer.Running();
        }
    }
    void ShowMessage(const std::string& text) override
    {
        messages.push_back(text);
        if (onMessage)
            onMessage(text);
    }
    void SetHintDisplayTime(int milliseconds) override { hintDisplayTime = milliseconds; }

    int layoutLoads = 0;
    int timerStarts = 0;  // each one begins a new period
    int hintDisplayTime = 0;
    std::vector<std::string> changed;
    std::vector<std::string> messages;
    std::function<void(const std::string&)> onMessage;
};

class FormTest : public EmulatedChipTest {
protected:
    // The form reaches the chip only through the access it is given; no back end is selected.
    void SetUp() override { SelectPortAccess(nullptr); }

    TMForm& Open()
    {
        form = std::make_unique<TMForm>(access, face);
        form->Construct();
        return *form;
    }

    Mechanism1Access access{chip};
    RecordingFace face;
    std::unique_ptr<TMForm> form;
};
