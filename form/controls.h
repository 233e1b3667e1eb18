#pragma once
// The controls of the form as the core keeps them: what each shows, and which event it
// raises. The program changes a control through its Set... functions; a front-end reports the
// user's action through its User... functions. Either way the front-end is told first, to
// draw the control anew, and then the event is raised, as the window system the form was
// designed for raises it:
//  - a check box, radio group or track bar raises its event whenever its state changes, by
//    the user or by the program, also while it is disabled;
//  - a drop-down list and the page control raise theirs only when the user picks another item
//    (each arrow-key step through a closed list is a pick);
//  - the timer raises its event on each tick while it runs.

#include "layout_table.h"

#include <functional>
#include <string>
#include <vector>

class Control;

// Draws the controls; the form core tells it of every change.
class ControlObserver {
public:
    virtual ~ControlObserver() = default;
    virtual void ControlChanged(const Control& control) = 0;
};

// The controls of one form, in the order they were made; each registers itself here.
class ControlSet {
public:
    explicit ControlSet(ControlObserver& observer) : observer_(observer) {}
    ControlSet(const ControlSet&) = delete;
    ControlSet& operator=(const ControlSet&) = delete;

    Control* Find(const std::string& name) const;  // nullptr when there is none
    const std::vector<Control*>& All() const { return all_; }

private:
    friend class Control;
    ControlObserver& observer_;
    std::vector<Control*> all_;
};

class Control {
public:
    // Takes its place, kind, first text and hint from the layout table.
    Control(ControlSet& set, const char* name);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const LayoutRow& Row() const { return row_; }
    const char* Name() const { return row_.name; }
    ControlKind Kind() const { return row_.kind; }

    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

protected:
    void Changed() { set_.observer_.ControlChanged(*this); }
    static void Raise(const std::function<void()>& event)
    {
        if (event)
            event();
    }

private:
    ControlSet& set_;
    const LayoutRow& row_;
    std::string text_;
    std::string hint_;
    bool enabled_ = true;
};

class CheckBox : public Control {
public:
    using Control::Control;
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    void UserChecks(bool checked);
    std::function<void()> OnClick;

private:
    bool checked_ = false;
};

// An item list: the drop-down list and the radio group; -1 is no item.
class ItemControl : public Control {
public:
    using Control::Control;
    int ItemIndex() const { return index_; }
    int ItemCount() const { return static_cast<int>(Row().items.size()); }

protected:
    bool Select(int index);  // false when it already is so, or out of range

private:
    int index_ = -1;
};

class RadioGroup : public ItemControl {
public:
    using ItemControl::ItemControl;
    void SetItemIndex(int index);
    void UserPicks(int index) { SetItemIndex(index); }
    std::function<void()> OnClick;
};

class DropDownList : public ItemControl {
public:
    using ItemControl::ItemControl;
    void SetItemIndex(int index);  // raises nothing
    void UserPicks(int index);     // the item it shows already is no change
    std::function<void()> OnChange;
};

class TrackBar : public Control {
public:
    explicit TrackBar(ControlSet& set, const char* name);
    int Position() const { return position_; }
    void SetPosition(int position);  // brought into the bar's range
    void UserMoves(int position) { SetPosition(position); }
    std::function<void()> OnChange;

private:
    int position_;
};

// The tab control; its pages are the Page rows under it in the layout table, in order.
class PageControl : public Control {
public:
    using Control::Control;
    int ActivePage() const { return active_; }
    void SetActivePage(int page);  // raises nothing
    void UserPicks(int page);
    std::function<void()> OnChange;

private:
    int PageCount() const;
    int active_ = 0;
};

class Timer : public Control {
public:
    explicit Timer(ControlSet& set, const char* name);
    int Interval() const { return interval_; }
    // A different interval restarts a running timer with the new period; the same one
    // changes nothing.
    void SetInterval(int milliseconds);
    bool Running() const { return running_; }
    void SetRunning(bool running);
    // The front-end's timer ticked.
    void Tick();
    std::function<void()> OnTimer;

private:
    int interval_;
    bool running_ = false;
};
