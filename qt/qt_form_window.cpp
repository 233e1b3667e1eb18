#include "qt_form_window.h"

#include "main_form.h"
#include "hint_display.h"
#include "radio_group_box.h"
#include "wrapping_tab_control.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>

#include <algorithm>

#include "i815quarvel.xpm"  // quarvel_icon_xpm

namespace {

std::function<void(const QString&)> messageHandler;

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

// Qt's device-independent pixel is a 96-dpi pixel; its high-DPI scaling does the rest.
constexpr int QtDpi = 96;

QRect Box(const LayoutRect& place)
{
    const LayoutRect r = Scaled(place, QtDpi);
    return QRect(r.left, r.top, r.width, r.height);
}

QStringList Items(const LayoutRow& row)
{
    QStringList items;
    for (const std::string& item : row.items)
        items << Text(item);
    return items;
}

// The classic faces are rarely present; take the nearest installed one, metric-compatible first
// so that captions fit the boxes they were laid out for. Asked for by its own name: a family
// that is not installed would make Qt ask fontconfig for fallbacks (a costly sort) at start.
// Every text of the window is Latin-1, which each of these faces holds whole, so no glyph is
// ever merged from another face either. Looked up in the list of installed families, not with
// hasFamily(): that first has fontconfig rewrite the name through its aliases, a costly
// substitution for each name tried, at every start.
QFont NearestFont(const LayoutFont& layout)
{
    QStringList faces{QString::fromLatin1(layout.face), "Liberation Sans", "Arial", "Helvetica", "DejaVu Sans"};
    if (faces[0] == "Comic Sans MS")
        faces = QStringList{faces[0], "Comic Neue", "Liberation Sans", "DejaVu Sans"};
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    static const QStringList families = QFontDatabase::families();
#else
    static const QStringList families = QFontDatabase().families();
#endif
    const auto installed = [](const QString& family) { return families.contains(family, Qt::CaseInsensitive); };
    const auto face = std::find_if(faces.begin(), faces.end() - 1, installed);
    QFont font(*face, qRound(layout.height * 72.0 / 120.0));  // a character height at 120 dpi, in points
    font.setStyleHint(QFont::SansSerif);
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

void SetTextColour(QWidget* widget, const Rgb& rgb)
{
    QPalette palette = widget->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
            palette.setColor(group, role, QColor(rgb.red, rgb.green, rgb.blue));
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
    const int wanted = std::min(widget->sizeHint().width(), widget->parentWidget()->width() - box.x() - Scaled(8, QtDpi));
    if (widen && wanted > widget->width())
        widget->resize(wanted, height);
}

// Every label takes the size of its text; a right-aligned one keeps its right edge and grows
// to the left, the others keep their left edge.
void FitLabel(QLabel* label, const LayoutRow& row)
{
    const QRect box = Box(row.place);
    const QSize size = label->sizeHint();
    const int left = row.align == TextAlign::Right ? box.x() + box.width() - size.width() : box.x();
    label->setGeometry(left, box.y(), size.width(), size.height());
}

}  // namespace

QtFormWindow::QtFormWindow(ConfigAccess& access)
    : form_(std::make_unique<TMForm>(access, static_cast<FormFace&>(*this)))
{
    form_->Construct();
}

// The widgets go first: none may report to the form once it is gone.
QtFormWindow::~QtFormWindow() { qDeleteAll(findChildren<QObject*>(QString(), Qt::FindDirectChildrenOnly)); }

void QtFormWindow::LoadLayout(TMForm& form)
{
    HintDisplay::Instance();  // the hint style first: installed after the controls, it would polish every one again
    std::map<std::string, QWidget*> byName{{"MForm", this}};
    for (const LayoutRow& row : LayoutTable()) {
        if (row.kind == ControlKind::Window)
            SetUpWindow(row);
        else
            byName[row.name] = Make(*form.Find(row.name), byName.at(row.parent));
    }
    SetKeyboardOrder();
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void QtFormWindow::SetUpWindow(const LayoutRow& row)
{
    setObjectName(QString::fromLatin1(row.name));
    setWindowTitle(Text(row.text));
    // The 32x32 picture in 16 colours, and the project icon's other renditions for title bars,
    // task bars and switchers that ask for another size. The picture is compiled in (an XPM is
    // C), the renditions are resources of this static library, which the linker leaves out
    // unless they are asked for by name. Each is read by the reader its format names: a reader
    // left to guess would first load every image plugin installed (and libjpeg with them) to
    // ask each whether it knows the picture.
    Q_INIT_RESOURCE(quarvel_icons);
    QIcon icon{QPixmap(quarvel_icon_xpm)};
    for (int size : {16, 22, 24, 48, 64, 128, 256}) {
        QImageReader reader(QStringLiteral(":/icons/%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));  // converted in place; a null one is left out
    }
    setWindowIcon(icon);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(NearestFont(*row.font));
    setBackgroundRole(QPalette::Button);
    setForegroundRole(QPalette::WindowText);
    setAutoFillBackground(true);
    resize(Box(row.place).size());
    setMinimumSize(size());
}

// One widget per control, connected so that only the user's actions reach the form: clicks,
// picks from a list (mouse, wheel, each arrow-key step), moves of a track bar, tab picks. What
// the form sets is drawn with the widget's signals blocked.
QWidget* QtFormWindow::Make(Control& control, QWidget* parent)
{
    const LayoutRow& row = control.Row();
    const QRect box = Box(row.place);
    QWidget* widget = nullptr;
    switch (row.kind) {
    case ControlKind::Window:
        return this;
    case ControlKind::Timer:
        timer_ = new QTimer(this);
        timer_->setObjectName(QString::fromLatin1(row.name));
        timer_->setInterval(static_cast<Timer&>(control).Interval());
        connect(timer_, &QTimer::timeout, this, [&control] { static_cast<Timer&>(control).Tick(); });
        return nullptr;
    case ControlKind::PageControl:
        widget = tabs_ = new WrappingTabControl(parent);
        tabs_->setGeometry(rect());
        connect(tabs_, &WrappingTabControl::pageChanged, this,
                [&control](int page) { static_cast<PageControl&>(control).UserPicks(page); });
        break;
    case ControlKind::Page:
        widget = new QWidget;
        tabs_->addPage(widget, Text(control.Text()));
        break;
    case ControlKind::Label: {
        auto* label = new QLabel(Text(control.Text()), parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(row.align == TextAlign::Right                   ? Qt::AlignRight | Qt::AlignTop
                            : row.align == TextAlign::LeftCentredVertically ? Qt::AlignLeft | Qt::AlignVCenter
                                                                              : Qt::AlignLeft | Qt::AlignTop);
        widget = label;
        break;
    }
    case ControlKind::Bevel: {
        auto* frame = new QFrame(parent);
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        widget = frame;
        widget->setGeometry(box);
        break;
    }
    case ControlKind::TextBox: {
        auto* text = new QPlainTextEdit(parent);
        text->setReadOnly(true);
        text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        widget = text;
        widget->setGeometry(box);
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
        auto* radios = new RadioGroupBox(Text(control.Text()), Items(row), parent);
        radios->setGeometry(box);
        connect(radios, &RadioGroupBox::picked, this,
                [&control](int item) { static_cast<RadioGroup&>(control).UserPicks(item); });
        widget = radios;
        break;
    }
    case ControlKind::DropDownList: {
        auto* list = new QComboBox(parent);
        list->addItems(Items(row));
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
        bar->setRange(row.minimum, row.maximum);
        bar->setSingleStep(row.step);
        bar->setPageStep(row.step);
        bar->setTickInterval(row.step);
        bar->setTickPosition(row.ticks == TickMarks::Above ? QSlider::TicksAbove : QSlider::TicksBelow);
        bar->setValue(static_cast<TrackBar&>(control).Position());
        Place(bar, box, false);
        connect(bar, &QSlider::valueChanged, this,
                [&control](int position) { static_cast<TrackBar&>(control).UserMoves(position); });
        widget = bar;
        break;
    }
    }
    widget->setObjectName(QString::fromLatin1(row.name));
    if (row.font)
        widget->setFont(NearestFont(*row.font));
    if (row.colour)
        SetTextColour(widget, *row.colour);
    if (auto* label = qobject_cast<QLabel*>(widget))
        FitLabel(label, row);
    widget->setToolTip(Text(control.Hint()));
    widgets_[&control] = widget;
    return widget;
}

void QtFormWindow::ControlChanged(const Control& control)
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
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
        FitLabel(label, control.Row());
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget); box && box->toPlainText() != text)
        box->setPlainText(text);
    else if (auto* check = qobject_cast<QCheckBox*>(widget))
        check->setChecked(static_cast<const CheckBox&>(control).Checked());
    else if (auto* radios = qobject_cast<RadioGroupBox*>(widget))
        radios->Show(static_cast<const RadioGroup&>(control).ItemIndex());
    else if (auto* list = qobject_cast<QComboBox*>(widget))
        list->setCurrentIndex(static_cast<const DropDownList&>(control).ItemIndex());
    else if (auto* bar = qobject_cast<QSlider*>(widget))
        bar->setValue(static_cast<const TrackBar&>(control).Position());
    else if (widget == tabs_)
        tabs_->setCurrentIndex(static_cast<const PageControl&>(control).ActivePage());
}

void QtFormWindow::ShowMessage(const std::string& text)
{
    if (messageHandler)
        return messageHandler(Text(text));
    QMessageBox box(QMessageBox::NoIcon, QString(), Text(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void QtFormWindow::SetMessageHandler(std::function<void(const QString&)> handler) { messageHandler = std::move(handler); }

void QtFormWindow::SetHintDisplayTime(int milliseconds) { HintDisplay::Instance().setHidePause(milliseconds); }

// Lists and track bars take the focus by click or tab only, and the wheel only when they have
// it (see eventFilter); radio groups are walked through their buttons.
void QtFormWindow::SetKeyboardOrder()
{
    for (const auto& [control, widget] : widgets_) {
        if (control->Kind() == ControlKind::DropDownList || control->Kind() == ControlKind::TrackBar) {
            widget->setFocusPolicy(Qt::StrongFocus);  // not Qt::WheelFocus: a wheel gives no focus
            widget->installEventFilter(this);
        }
    }
    for (const std::vector<std::string>& chain : KeyboardOrder()) {
        QList<QWidget*> stops;
        for (const std::string& name : chain) {
            QWidget* widget = widgets_.at(form_->Find(name));
            if (auto* radios = qobject_cast<RadioGroupBox*>(widget))
                for (QWidget* button : radios->buttons())
                    stops << button;
            else
                stops << widget;
        }
        for (int i = 1; i < stops.size(); ++i)
            setTabOrder(stops[i - 1], stops[i]);
    }
}

// The mouse wheel turns a list or a track bar only when the user has clicked or tabbed into it,
// as in the toolkit the window was designed for; otherwise it goes on to the parent: scrolling
// over the Memory page must never pick "(!) DRAM in Self-Refresh Mode, Refresh Disabled".
bool QtFormWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* control = static_cast<QWidget*>(watched);
    if (event->type() != QEvent::Wheel || control->hasFocus())
        return false;
    QApplication::sendEvent(control->parentWidget(), event);
    return true;
}

void QtFormWindow::closeEvent(QCloseEvent* event)
{
    form_->FormClose();
    event->accept();
}

// The border cannot change the size; only maximising enlarges the window, and the tab control
// grows with it while the controls keep their places.
void QtFormWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (tabs_)
        tabs_->setGeometry(rect());
    const auto restore = [this] {
        if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) && size() != minimumSize())
            resize(minimumSize());
    };
    QTimer::singleShot(0, this, restore);
}
