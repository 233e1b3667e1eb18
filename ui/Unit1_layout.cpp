// The layout of the main window: every control, its place, text, list, colour and hint.
#include "Unit1.h"

#include "auto_size_label.h"
#include "bevel.h"
#include "field_map.h"
#include "help_texts.h"
#include "hint_display.h"
#include "layout_units.h"
#include "quarvel_icon.xpm"
#include "radio_group.h"
#include "wheel_needs_focus.h"
#include "wrapping_tab_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>

#include <algorithm>

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

const QColor Yellow(255, 255, 0);
const QColor Red(255, 0, 0);

constexpr int ClientWidth = 447, ClientHeight = 354;

QStringList Items(const Field& field)
{
    QStringList items;
    for (const char* text : field.texts)
        items << Text(text);
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
QFont LayoutFont(const char* family, const std::initializer_list<const char*>& nearest, int points)
{
    QString face = Text(family);
    for (const char* candidate : nearest) {
        if (Installed(face))
            break;
        face = Text(candidate);
    }
    QFont font(face, points);
    font.setStyleHint(QFont::SansSerif);
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

void SetTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
        palette.setColor(QPalette::Active, role, colour);
        palette.setColor(QPalette::Inactive, role, colour);
    }
    widget->setPalette(palette);
}

// Controls whose height the style decides (check boxes, lists, track bars) keep the centre of
// their layout box when the style needs more room than the box gives.
void Place(QWidget* widget, const QRect& box)
{
    const int height = std::max(box.height(), widget->sizeHint().height());
    widget->setGeometry(box.x(), box.center().y() - (height - 1) / 2, box.width(), height);
}

// Where the nearest face is wider than the classic one, a caption or list item takes the room
// it needs, as far as the parent has room for it.
void WidenToText(QWidget* widget)
{
    const int room = widget->parentWidget()->width() - widget->x() - Px(8);
    const int wanted = std::min(widget->sizeHint().width(), room);
    if (wanted > widget->width())
        widget->resize(wanted, widget->height());
}

QCheckBox* CheckBox(const char* name, const Field& field, const QRect& box, QWidget* parent)
{
    auto* check = new QCheckBox(Text(field.texts.front()), parent);
    check->setObjectName(Text(name));
    Place(check, box);
    WidenToText(check);
    return check;
}

QComboBox* DropDownList(const char* name, const QStringList& items, const QRect& box,
                        QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(Text(name));
    combo->setEditable(false);
    combo->addItems(items);
    combo->setCurrentIndex(-1);
    combo->setMaxVisibleItems(items.size());
    Place(combo, box);
    WidenToText(combo);
    return combo;
}

QSlider* TrackBar(const char* name, int minimum, int maximum, int step,
                  QSlider::TickPosition ticks, const QRect& box, QWidget* parent)
{
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setObjectName(Text(name));
    bar->setRange(minimum, maximum);
    bar->setSingleStep(step);
    bar->setPageStep(step);
    bar->setTickInterval(step);
    bar->setTickPosition(ticks);
    bar->setValue(minimum);
    Place(bar, box);
    return bar;
}

QGroupBox* Group(const char* name, const char* caption, const QRect& box, QWidget* parent)
{
    auto* group = new QGroupBox(Text(caption), parent);
    group->setObjectName(Text(name));
    group->setGeometry(box);
    return group;
}

RadioGroup* Radios(const char* name, const char* caption, const Field& field, const QRect& box,
                   QWidget* parent)
{
    auto* radios = new RadioGroup(Text(caption), Items(field), parent);
    radios->setObjectName(Text(name));
    radios->setGeometry(box);
    return radios;
}

AutoSizeLabel* Label(const char* name, const char* text, const QRect& box, QWidget* parent,
                     Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop)
{
    auto* label = new AutoSizeLabel(Text(text), box, alignment, parent);
    label->setObjectName(Text(name));
    return label;
}

QWidget* Page(const char* name)
{
    auto* page = new QWidget;
    page->setObjectName(Text(name));
    return page;
}

}  // namespace

void TMForm::LoadLayout()
{
    // The hint style first: installed after the controls, it would polish every one again.
    HintDisplay::Instance();
    setObjectName(Text("MForm"));
    setWindowTitle(Text("i815 Quarvel"));
    // The 32x32 picture in 16 colours, and the project icon's other renditions for title bars,
    // task bars and switchers that ask for another size.
    QIcon icon{QPixmap(quarvel_icon_xpm)};
    for (int size : {16, 22, 24, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(LayoutFont("MS Sans Serif", {"Liberation Sans", "Arial", "Helvetica", "DejaVu Sans"}, 8));
    setBackgroundRole(QPalette::Button);
    setForegroundRole(QPalette::WindowText);
    setAutoFillBackground(true);
    resize(Px(ClientWidth), Px(ClientHeight));
    setMinimumSize(size());

    PageCtrl = new WrappingTabControl(this);
    PageCtrl->setObjectName(Text("PageCtrl"));
    PageCtrl->setGeometry(rect());
    AboutSheet = Page("AboutSheet");
    AGPSTATTab = Page("AGPSTATTab");
    ChipsetSheet = Page("ChipsetSheet");
    MemSheet = Page("MemSheet");
    PageCtrl->addPage(AboutSheet, Text("About"));
    PageCtrl->addPage(AGPSTATTab, Text("AGP Configuration"));
    PageCtrl->addPage(ChipsetSheet, Text("Chipset configuration"));
    PageCtrl->addPage(MemSheet, Text("Memory Configuration"));

    BuildAboutSheet();
    BuildAgpSheet();
    BuildChipsetSheet();
    BuildMemSheet();
    SetKeyboardOrder();

    PageCtrl->setCurrentIndex(0);
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    iRefreshTmr = new QTimer(this);
    iRefreshTmr->setObjectName(Text("iRefreshTmr"));
    iRefreshTmr->setSingleShot(false);
    iRefreshTmr->setInterval(2000);

    ConnectEvents();
    iRefreshTmr->start();
}

void TMForm::BuildAboutSheet()
{
    QWidget* page = AboutSheet;
    ProdLbl = Label("ProdLbl", "i815 Quarvel v1.0", PxRect(8, 8, 167, 28), page);
    ProdLbl->setFont(LayoutFont("Comic Sans MS", {"Comic Neue", "Liberation Sans", "DejaVu Sans"}, 12));
    RevLbl = Label("RevLbl", "Chipset rev  ", PxRect(357, 20, 73, 16), page,
                   Qt::AlignRight | Qt::AlignTop);
    Label1 = Label("Label1", "Tweaks for the Intel i815 host bridge", PxRect(8, 40, 229, 16), page);
    Rmode = Label("Rmode", "AGP", PxRect(401, 40, 28, 16), page, Qt::AlignRight | Qt::AlignTop);
    FBLabel = Label("FBLabel", "Feedback: i815quarvel@users.noreply.invalid", PxRect(8, 60, 247, 16),
                    page);
    SMFSLbl = Label("SMFSLbl", "SM", PxRect(407, 60, 20, 16), page, Qt::AlignRight | Qt::AlignTop);

    Bevel2 = new Bevel(page);
    Bevel2->setObjectName(Text("Bevel2"));
    Bevel2->setGeometry(PxRect(8, 84, 425, 9));

    AboutRC = new QPlainTextEdit(page);
    AboutRC->setObjectName(Text("AboutRC"));
    AboutRC->setReadOnly(true);
    AboutRC->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    AboutRC->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    AboutRC->setGeometry(PxRect(8, 104, 425, 161));

    Label10 = Label("Label10", "Refresh interval:", PxRect(8, 272, 96, 16), page);
    RefreshBar = TrackBar("RefreshBar", 250, 5000, 250, QSlider::TicksBelow,
                          PxRect(123, 268, 209, 29), page);
    RfLabel = Label("RfLabel", "XXX ms", PxRect(350, 272, 45, 16), page);
}

void TMForm::BuildAgpSheet()
{
    QWidget* page = AGPSTATTab;
    AGP4XOVRcb = CheckBox("AGP4XOVRcb", Fields::AGP4XOVR, PxRect(296, 4, 121, 17), page);

    GroupBox3 = Group("GroupBox3", "AMTT && LPTT registers", PxRect(8, 24, 413, 145), page);
    Label5 = Label("Label5", "AGP Multi-Transaction Timer", PxRect(121, 20, 171, 16), GroupBox3);
    AMTTv = Label("AMTTv", "XXX", PxRect(12, 48, 24, 16), GroupBox3);
    AMTT = TrackBar("AMTT", 0, 255, int(Fields::AMTT.step), QSlider::TicksAbove, PxRect(40, 36, 333, 29), GroupBox3);
    LPTTv = Label("LPTTv", "XXX", PxRect(12, 84, 24, 16), GroupBox3);
    LPTT = TrackBar("LPTT", 0, 255, int(Fields::LPTT.step), QSlider::TicksBelow, PxRect(40, 80, 333, 29), GroupBox3);
    Label6 = Label("Label6", "AGP Low Priority Transaction Timer", PxRect(101, 112, 211, 16),
                   GroupBox3);

    GroupBox1 = Group("GroupBox1", "AGPCMD register", PxRect(8, 176, 413, 109), page);
    Label2 = Label("Label2", "Selected AGP data transfer rate:", PxRect(20, 68, 191, 16), GroupBox1,
                   Qt::AlignLeft | Qt::AlignVCenter);
    SetTextColour(Label2, Yellow);

    // These three lie in the area of the AGPCMD group but belong to the page, above the group.
    AGPSBAcb = CheckBox("AGPSBAcb", Fields::AGPSBA, PxRect(28, 208, 201, 17), page);
    SetTextColour(AGPSBAcb, Yellow);
    AGPSBAcb->setToolTip(AgpSidebandLayoutHint());
    AGPFWcb = CheckBox("AGPFWcb", Fields::AGPFW, PxRect(232, 208, 169, 17), page);
    SetTextColour(AGPFWcb, Red);
    AGPMODEcombo = DropDownList("AGPMODEcombo", Items(Fields::AGPMODE), PxRect(232, 240, 153, 24),
                                page);
    AGPMODEcombo->setToolTip(AgpModeLayoutHint());
}

void TMForm::BuildChipsetSheet()
{
    QWidget* page = ChipsetSheet;
    GroupBox6 = Group("GroupBox6", "GMCHCFG register", PxRect(8, 6, 413, 111), page);
    CLTcb = CheckBox("CLTcb", Fields::CLT, PxRect(16, 24, 141, 21), GroupBox6);
    Label8 = Label("Label8", "DRAM Page Closing Policy:", PxRect(16, 52, 167, 16), GroupBox6);
    DPCPcombo = DropDownList("DPCPcombo", Items(Fields::DPCP), PxRect(208, 48, 160, 24), GroupBox6);
    Label9 = Label("Label9", "Memory Arbiter Grant Window:", PxRect(16, 80, 180, 16), GroupBox6);
    MAGcombo = DropDownList("MAGcombo", Items(Fields::MAG), PxRect(208, 76, 160, 24), GroupBox6);

    GroupBox4 = Group("GroupBox4", "MISCC register", PxRect(8, 120, 413, 169), page);
    BNRcb = CheckBox("BNRcb", Fields::BNR, PxRect(18, 20, 217, 21), GroupBox4);
    BNRcb->setToolTip(BlockNewRequestLayoutHint());
    CPCcb = CheckBox("CPCcb", Fields::CPC, PxRect(18, 48, 261, 21), GroupBox4);
    SMcb = CheckBox("SMcb", Fields::SM, PxRect(18, 76, 221, 21), GroupBox4);
    THRLOCKcb = CheckBox("THRLOCKcb", Fields::THRLOCK, PxRect(246, 80, 121, 17), GroupBox4);
    Label3 = Label("Label3", "Read Power Throttle Control:", PxRect(18, 108, 171, 16), GroupBox4,
                   Qt::AlignLeft | Qt::AlignVCenter);
    RDTHRcombo = DropDownList("RDTHRcombo", Items(Fields::RDTHR), PxRect(202, 104, 193, 24), GroupBox4);
    Label4 = Label("Label4", "Write Power Throttle Control:", PxRect(18, 136, 168, 16), GroupBox4,
                   Qt::AlignLeft | Qt::AlignVCenter);
    WRTHRcombo = DropDownList("WRTHRcombo", Items(Fields::WRTHR), PxRect(202, 132, 193, 24), GroupBox4);
}

void TMForm::BuildMemSheet()
{
    QWidget* page = MemSheet;
    GroupBox2 = Group("GroupBox2", "DRAMT register", PxRect(4, 8, 421, 213), page);
    CASgr = Radios("CASgr", "CAS", Fields::CAS, PxRect(16, 28, 89, 77), GroupBox2);
    SetTextColour(CASgr, Yellow);
    RAS2CASgr = Radios("RAS2CASgr", "RAS to CAS", Fields::RAS2CAS, PxRect(116, 28, 89, 77), GroupBox2);
    RASgr = Radios("RASgr", "RAS", Fields::RAS, PxRect(216, 28, 89, 77), GroupBox2);
    DCTgr = Radios("DCTgr", "Tras, Trc", Fields::DCT, PxRect(316, 28, 89, 77), GroupBox2);
    Label7 = Label("Label7", "SDRAM Mode Select:", PxRect(16, 120, 131, 16), GroupBox2);
    SMScombo = DropDownList("SMScombo", Items(Fields::SMS), PxRect(16, 144, 389, 24), GroupBox2);

    // In the area of the DRAMT group, below the mode list, but on the page above the group.
    HACQScb = CheckBox("HACQScb", Fields::HACQS, PxRect(20, 192, 217, 13), page);

    GroupBox5 = Group("GroupBox5", "SM Register", PxRect(4, 228, 421, 61), page);
    TDLLEcb = CheckBox("TDLLEcb", Fields::TDLLE, PxRect(16, 24, 241, 17), GroupBox5);
    SetTextColour(TDLLEcb, Yellow);
}

void TMForm::SetKeyboardOrder()
{
    const QList<QList<QWidget*>> chains{
        {RefreshBar, AboutRC},
        {AGP4XOVRcb, AGPSBAcb, AGPFWcb, AGPMODEcombo, AMTT, LPTT},
        {BNRcb, CPCcb, SMcb, RDTHRcombo, WRTHRcombo, THRLOCKcb, CLTcb, DPCPcombo, MAGcombo},
        {HACQScb, RAS2CASgr, CASgr, RASgr, DCTgr, SMScombo, TDLLEcb},
    };
    for (const QList<QWidget*>& chain : chains) {
        QList<QWidget*> stops;
        for (QWidget* control : chain) {
            if (auto* radios = qobject_cast<RadioGroup*>(control)) {
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

void TMForm::ConnectEvents()
{
    connect(PageCtrl, &WrappingTabControl::pageChanged, this, &TMForm::PageCtrlChange);
    connect(iRefreshTmr, &QTimer::timeout, this, &TMForm::iRefreshTmrTimer);
    connect(RefreshBar, &QSlider::valueChanged, this, &TMForm::RefreshBarChange);
    connect(AMTT, &QSlider::valueChanged, this, &TMForm::AMTTChange);
    connect(LPTT, &QSlider::valueChanged, this, &TMForm::LPTTChange);

    connect(AGP4XOVRcb, &QCheckBox::toggled, this, &TMForm::AGP4XOVRcbClick);
    connect(AGPSBAcb, &QCheckBox::toggled, this, &TMForm::AGPSBAcbClick);
    connect(AGPFWcb, &QCheckBox::toggled, this, &TMForm::AGPFWcbClick);
    connect(CLTcb, &QCheckBox::toggled, this, &TMForm::CLTcbClick);
    connect(BNRcb, &QCheckBox::toggled, this, &TMForm::BNRcbClick);
    connect(CPCcb, &QCheckBox::toggled, this, &TMForm::CPCcbClick);
    connect(SMcb, &QCheckBox::toggled, this, &TMForm::SMcbClick);
    connect(THRLOCKcb, &QCheckBox::toggled, this, &TMForm::THRLOCKcbClick);
    connect(HACQScb, &QCheckBox::toggled, this, &TMForm::HACQScbClick);
    connect(TDLLEcb, &QCheckBox::toggled, this, &TMForm::TDLLEcbClick);

    connect(CASgr, &RadioGroup::clicked, this, &TMForm::CASgrClick);
    connect(RAS2CASgr, &RadioGroup::clicked, this, &TMForm::RAS2CASgrClick);
    connect(RASgr, &RadioGroup::clicked, this, &TMForm::RASgrClick);
    connect(DCTgr, &RadioGroup::clicked, this, &TMForm::DCTgrClick);

    // Lists report only the user's picks: mouse, wheel, and each arrow-key step.
    ConnectList(AGPMODEcombo, &TMForm::AGPMODEcomboChange);
    ConnectList(DPCPcombo, &TMForm::DPCPcomboChange);
    ConnectList(MAGcombo, &TMForm::MAGcomboChange);
    ConnectList(RDTHRcombo, &TMForm::RDTHRcomboChange);
    ConnectList(WRTHRcombo, &TMForm::WRTHRcomboChange);
    ConnectList(SMScombo, &TMForm::SMScomboChange);

    // The wheel turns a list or a track bar only once the user has clicked or tabbed into it.
    auto* wheel = new WheelNeedsFocus(this);
    for (QWidget* control : std::initializer_list<QWidget*>{AGPMODEcombo, DPCPcombo, MAGcombo, RDTHRcombo, WRTHRcombo,
                                                            SMScombo, AMTT, LPTT, RefreshBar})
        wheel->Watch(control);
}

// The border cannot change the size; only maximising enlarges the window, and the tab control
// grows with it while the controls keep their places.
void TMForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PageCtrl->setGeometry(rect());
    const QSize layoutSize(Px(ClientWidth), Px(ClientHeight));
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) && size() != layoutSize)
        QTimer::singleShot(0, this, [this, layoutSize] {
            if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
                resize(layoutSize);
        });
}

