#include "controls.h"

#include <algorithm>

Control* ControlSet::Find(const std::string& name) const
{
    for (Control* control : all_)
        if (name == control->Name())
            return control;
    return nullptr;
}

Control::Control(ControlSet& set, const char* name)
    : set_(set), row_(LayoutControl(name)), text_(row_.text), hint_(row_.hint)
{
    set_.all_.push_back(this);
}

void Control::SetText(const std::string& text)
{
    if (text == text_)
        return;
    text_ = text;
    Changed();
}

void Control::SetHint(const std::string& hint)
{
    if (hint == hint_)
        return;
    hint_ = hint;
    Changed();
}

void Control::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    Changed();
}

void CheckBox::SetChecked(bool checked)
{
    if (checked == checked_)
        return;
    checked_ = checked;
    Changed();
    Raise(OnClick);
}

void CheckBox::UserChecks(bool checked)
{
    if (Enabled())
        SetChecked(checked);
}

bool ItemControl::Select(int index)
{
    if (index == index_ || index < -1 || index >= ItemCount())
        return false;
    index_ = index;
    Changed();
    return true;
}

void RadioGroup::SetItemIndex(int index)
{
    if (Select(index))
        Raise(OnClick);
}

void DropDownList::SetItemIndex(int index) { Select(index); }

void DropDownList::UserPicks(int index)
{
    if (Enabled() && index >= 0 && Select(index))
        Raise(OnChange);
}

TrackBar::TrackBar(ControlSet& set, const char* name) : Control(set, name), position_(Row().position) {}

void TrackBar::SetPosition(int position)
{
    position = std::clamp(position, Row().minimum, Row().maximum);
    if (position == position_)
        return;
    position_ = position;
    Changed();
    Raise(OnChange);
}

int PageControl::PageCount() const
{
    int pages = 0;
    for (const LayoutRow& row : LayoutTable())
        pages += row.kind == ControlKind::Page && Name() == std::string(row.parent);
    return pages;
}

void PageControl::SetActivePage(int page)
{
    if (page == active_ || page < 0 || page >= PageCount())
        return;
    active_ = page;
    Changed();
}

void PageControl::UserPicks(int page)
{
    const int before = active_;
    SetActivePage(page);
    if (active_ != before)
        Raise(OnChange);
}

Timer::Timer(ControlSet& set, const char* name) : Control(set, name), interval_(Row().position) {}

void Timer::SetInterval(int milliseconds)
{
    if (milliseconds == interval_)
        return;
    interval_ = milliseconds;
    Changed();
}

void Timer::SetRunning(bool running)
{
    if (running == running_)
        return;
    running_ = running;
    Changed();
}

void Timer::Tick()
{
    if (running_)
        Raise(OnTimer);
}
