#pragma once
// The texts of the form beside its layout: the hints assigned at construction, the welcome
// text of the About box and the program's own messages (UTF-8).

#include <string>
#include <vector>

struct HintText {
    const char* control;
    std::string text;
};

// Assigned at construction, in this order; each replaces the control's earlier hint.
const std::vector<HintText>& ConstructionHints();

const std::string& WelcomeText();

extern const char NotAnI815Message[];
extern const char GfxModeWarning[];
extern const char IllegalAgpModeMessage[];

// The failure display's text: a full stop is added when the message is not empty and its last
// character comes after "." (0x2E).
std::string WithFullStop(const std::string& message);
