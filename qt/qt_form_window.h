#pragma once
// The Qt face of the main window: it draws the controls of the form core (TMForm) and reports
// the user's actions to them. What reaches the chip, and when, is the core's business.

#include "form_face.h"

#include <QWidget>

#include <functional>
#include <map>
#include <memory>

class ConfigAccess;
class QTimer;
class TMForm;
class WrappingTabControl;

class QtFormWindow : public QWidget, private FormFace {
    Q_OBJECT
public:
    // Runs the form's construction on this access to the chip; a failure in it leaves the
    // constructor. The window is shown by the caller, unless the identity was refused.
    explicit QtFormWindow(ConfigAccess& access);
    ~QtFormWindow() override;

    TMForm& core() const { return *form_; }
    QTimer* timer() const { return timer_; }  // iRefreshTmr
    // The program's own messages are modal boxes with one OK button, no icon and no title of
    // the program's; a handler replaces them (tests), an empty one brings them back.
    static void SetMessageHandler(std::function<void(const QString&)> handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void LoadLayout(TMForm& form) override;
    void ControlChanged(const Control& control) override;
    void ShowMessage(const std::string& text) override;
    void SetHintDisplayTime(int milliseconds) override;

    void SetUpWindow(const LayoutRow& row);
    QWidget* Make(Control& control, QWidget* parent);
    void SetKeyboardOrder();

    std::unique_ptr<TMForm> form_;
    std::map<const Control*, QWidget*> widgets_;
    WrappingTabControl* tabs_ = nullptr;
    QTimer* timer_ = nullptr;
};
