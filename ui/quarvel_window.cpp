#include "quarvel_window.h"

#include "Unit1.h"
#include "auto_size_label.h"
#include "hint_display.h"
#include "layout_units.h"
#include "program_messages.h"
#include "quarvel_icon.xpm"
#include "radio_group_box.h"
#include "wheel_needs_focus.h"
#include "wrapping_tab_control.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>

#include <algorithm>

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

QRect Box(const LayoutRect& r) { return PxRect(r.left, r.top, r.width, r.height); }

QStringList Items(const ControlSpec& spec)
{
    QStringList items;
    for (const std::string& item : spec.items)
        items << Text(item);
    return items;
}

bool Installed(const QString& family)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QFontDatabase::hasFamily(family);
#else
    return QFontDatabase().hasFamily(family);
#endif
}

// The classic faces are rarely present; take the nearest installed one, metric-compatible first
// so that captions fit the boxes they were laid out for. Asked for by its own name: a family
// that is not installed would make Qt ask fontconfig for fallbacks (a costly sort) at start.
// Every text of the window is Latin-1, which each of these faces holds whole, so no glyph is
// ever merged from another face either.
QFont NearestFont(const LayoutFont& layout)
{
    const bool comic = std::string(layout.face) == "Comic Sans MS";
    const QStringList nearest = comic ? QStringList{"Comic Neue", "Liberation Sans", "DejaVu Sans"}
                                      : QStringList{"Liberation Sans", "Arial", "Helvetica", "DejaVu Sans"};
    QString face = QString::fromLatin1(layout.face);
    for (const QString& candidate : nearest) {
        if (Installed(face))
            break;
        face = candidate;
    }
    // A character height in pixels of the 120-dpi layout, as points.
    QFont font(face, qRound(layout.height * 72.0 / 120.0));
    font.setStyleHint(QFont::SansSerif);
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

void SetTextColour(QWidget* widget, const Rgb& rgb)
{
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
        palette.setColor(QPalette::Active, role, QColor(rgb.red, rgb.green, rgb.blue));
        palette.setColor(QPalette::Inactive, role, QColor(rgb.red, rgb.green, rgb.blue));
    }
    widget->setPalette(palette);
}

// Controls whose height the style decides (check boxes, lists, track bars) keep the centre of
// their layout box when the style needs more room than the box gives; where the nearest face is
// wider than the classic one, a caption or list item takes the room it needs, as far as the
// parent has room for it.
void Place(QWidget* widget, const QRect& box, bool widen)
{
    const int height = std::max(box.height(), widget->sizeHint().height());
    widget->setGeometry(box.x(), box.center().y() - (height - 1) / 2, box.width(), height);
    const int room = widget->parentWidget()->width() - widget->x() - Px(8);
    const int wanted = std::min(widget->sizeHint().width(), room);
    if (widen && wanted > widget->width())
        widget->resize(wanted, widget->height());
}

Qt::Alignment Alignment(TextAlign align)
{
    switch (align) {
    case TextAlign::Right: return Qt::AlignRight | Qt::AlignTop;
    case TextAlign::LeftCentredVertically: return Qt::AlignLeft | Qt::AlignVCenter;
    case TextAlign::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

}  // namespace

QuarvelWindow::QuarvelWindow(ConfigAccess& access)
    : form_(std::make_unique<TMForm>(access, static_cast<FormFace&>(*this)))
{
    form_->Construct();
}

// The widgets go first: none may report to the form once it is gone.
QuarvelWindow::~QuarvelWindow()
{
    qDeleteAll(findChildren<QObject*>(QString(), Qt::FindDirectChildrenOnly));
}

void QuarvelWindow::LoadLayout(TMForm& form)
{
    // The hint style first: installed after the controls, it would polish every one again.
    HintDisplay::Instance();
    std::map<std::string, QWidget*> byName;
    for (const ControlSpec& spec : LayoutTable()) {
        if (spec.kind == ControlKind::Window) {
            SetUpWindow(spec);
            byName[spec.name] = this;
        } else {
            byName[spec.name] = Make(*form.Find(spec.name), byName.at(spec.parent));
        }
    }
    SetKeyboardOrder();
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void QuarvelWindow::SetUpWindow(const ControlSpec& spec)
{
    setObjectName(QString::fromLatin1(spec.name));
    setWindowTitle(Text(spec.text));
    // The 32x32 picture in 16 colours, and the project icon's other renditions for title bars,
    // task bars and switchers that ask for another size.
    QIcon icon{QPixmap(quarvel_icon_xpm)};
    for (int size : {16, 22, 24, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(NearestFont(*spec.font));
    setBackgroundRole(QPalette::Button);
    setForegroundRole(QPalette::WindowText);
    setAutoFillBackground(true);
    resize(Px(spec.place.width), Px(spec.place.height));
    setMinimumSize(size());
}

// One widget per control, connected so that only the user's actions reach the form: clicks,
// picks from a list (mouse, wheel, each arrow-key step) and moves of a track bar. What the form
// sets is drawn with the widget's signals blocked.
QWidget* QuarvelWindow::Make(Control& control, QWidget* parent)
{
    const ControlSpec& spec = control.Spec();
    const QRect box = Box(spec.place);
    QWidget* widget = nullptr;
    switch (spec.kind) {
    case ControlKind::Window:
        return this;
    case ControlKind::Timer: {
        auto& timer = static_cast<Timer&>(control);
        timer_ = new QTimer(this);
        timer_->setObjectName(QString::fromLatin1(spec.name));
        timer_->setInterval(timer.Interval());
        connect(timer_, &QTimer::timeout, this, [&timer] { timer.Tick(); });
        return nullptr;
    }
    case ControlKind::PageControl:
        tabs_ = new WrappingTabControl(parent);
        tabs_->setGeometry(rect());
        connect(tabs_, &WrappingTabControl::pageChanged, this,
                [&control](int page) { static_cast<PageControl&>(control).UserPicks(page); });
        widget = tabs_;
        break;
    case ControlKind::Page:
        widget = new QWidget;
        tabs_->addPage(widget, Text(control.Text()));
        break;
    case ControlKind::Label:
        widget = new AutoSizeLabel(Text(control.Text()), box, Alignment(spec.align), parent);
        break;
    case ControlKind::Bevel: {
        auto* frame = new QFrame(parent);
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame->setGeometry(box);
        widget = frame;
        break;
    }
    case ControlKind::TextBox: {
        auto* text = new QPlainTextEdit(parent);
        text->setReadOnly(true);
        text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        text->setGeometry(box);
        widget = text;
        break;
    }
    case ControlKind::GroupBox:
        widget = new QGroupBox(Text(control.Text()), parent);
        widget->setGeometry(box);
        break;
    case ControlKind::CheckBox: {
        auto* check = new QCheckBox(Text(control.Text()), parent);
        Place(check, box, true);
        connect(check, &QCheckBox::clicked, this,
                [&control](bool checked) { static_cast<CheckBox&>(control).UserChecks(checked); });
        widget = check;
        break;
    }
    case ControlKind::RadioGroup: {
        auto* radios = new RadioGroupBox(Text(control.Text()), Items(spec), parent);
        radios->setGeometry(box);
        connect(radios, &RadioGroupBox::picked, this,
                [&control](int item) { static_cast<RadioGroup&>(control).UserPicks(item); });
        widget = radios;
        break;
    }
    case ControlKind::DropDownList: {
        auto* list = new QComboBox(parent);
        list->setEditable(false);
        list->addItems(Items(spec));
        list->setCurrentIndex(-1);
        list->setMaxVisibleItems(list->count());
        Place(list, box, true);
        connect(list, qOverload<int>(&QComboBox::activated), this,
                [&control](int item) { static_cast<DropDownList&>(control).UserPicks(item); });
        widget = list;
        break;
    }
    case ControlKind::TrackBar: {
        auto* bar = new QSlider(Qt::Horizontal, parent);
        bar->setRange(spec.minimum, spec.maximum);
        bar->setSingleStep(spec.step);
        bar->setPageStep(spec.step);
        bar->setTickInterval(spec.step);
        bar->setTickPosition(spec.ticks == TickMarks::Above ? QSlider::TicksAbove : QSlider::TicksBelow);
        bar->setValue(static_cast<TrackBar&>(control).Position());
        Place(bar, box, false);
        connect(bar, &QSlider::valueChanged, this,
                [&control](int position) { static_cast<TrackBar&>(control).UserMoves(position); });
        widget = bar;
        break;
    }
    }
    widget->setObjectName(QString::fromLatin1(spec.name));
    if (spec.font)
        widget->setFont(NearestFont(*spec.font));
    if (spec.colour)
        SetTextColour(widget, *spec.colour);
    widget->setToolTip(Text(control.Hint()));
    widgets_[&control] = widget;
    return widget;
}

void QuarvelWindow::ControlChanged(const Control& control)
{
    if (control.Kind() == ControlKind::Timer) {
        const auto& timer = static_cast<const Timer&>(control);
        if (timer.Running())
            timer_->start(timer.Interval());  // a new period begins
        else
            timer_->stop();
        return;
    }
    QWidget* widget = widgets_.at(&control);
    const QSignalBlocker quiet(widget);
    widget->setEnabled(control.Enabled());
    widget->setToolTip(Text(control.Hint()));
    const QString text = Text(control.Text());
    switch (control.Kind()) {
    case ControlKind::Label:
        static_cast<AutoSizeLabel*>(widget)->setText(text);
        break;
    case ControlKind::TextBox:
        if (static_cast<QPlainTextEdit*>(widget)->toPlainText() != text)
            static_cast<QPlainTextEdit*>(widget)->setPlainText(text);
        break;
    case ControlKind::CheckBox:
        static_cast<QCheckBox*>(widget)->setChecked(static_cast<const CheckBox&>(control).Checked());
        break;
    case ControlKind::RadioGroup:
        static_cast<RadioGroupBox*>(widget)->Show(static_cast<const RadioGroup&>(control).ItemIndex());
        break;
    case ControlKind::DropDownList:
        static_cast<QComboBox*>(widget)->setCurrentIndex(static_cast<const DropDownList&>(control).ItemIndex());
        break;
    case ControlKind::TrackBar:
        static_cast<QSlider*>(widget)->setValue(static_cast<const TrackBar&>(control).Position());
        break;
    case ControlKind::PageControl:
        tabs_->setCurrentIndex(static_cast<const PageControl&>(control).ActivePage());
        break;
    default:
        break;
    }
}

void QuarvelWindow::ShowMessage(const std::string& text) { ShowProgramMessage(Text(text)); }

void QuarvelWindow::SetHintDisplayTime(int milliseconds) { HintDisplay::Instance().setHidePause(milliseconds); }

// The wheel turns a list or a track bar only once the user has clicked or tabbed into it.
void QuarvelWindow::SetKeyboardOrder()
{
    auto* wheel = new WheelNeedsFocus(this);
    for (const auto& [control, widget] : widgets_)
        if (control->Kind() == ControlKind::DropDownList || control->Kind() == ControlKind::TrackBar)
            wheel->Watch(widget);

    for (const std::vector<std::string>& chain : KeyboardOrder()) {
        QList<QWidget*> stops;
        for (const std::string& name : chain) {
            QWidget* control = widgets_.at(form_->Find(name));
            if (auto* radios = qobject_cast<RadioGroupBox*>(control)) {
                for (QWidget* button : radios->buttons())
                    stops << button;
            } else {
                stops << control;
            }
        }
        for (int i = 1; i < stops.size(); ++i)
            setTabOrder(stops[i - 1], stops[i]);
    }
}

void QuarvelWindow::closeEvent(QCloseEvent* event)
{
    form_->FormClose();
    event->accept();
}

// The border cannot change the size; only maximising enlarges the window, and the tab control
// grows with it while the controls keep their places.
void QuarvelWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (tabs_)
        tabs_->setGeometry(rect());
    const QSize layoutSize = minimumSize();
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) && size() != layoutSize)
        QTimer::singleShot(0, this, [this, layoutSize] {
            if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
                resize(layoutSize);
        });
}
