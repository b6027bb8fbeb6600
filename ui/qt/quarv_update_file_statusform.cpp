#include "ui/qt/quarv_update_file_statusform.h"

#include <QAccessible>
#include <QAccessibleEvent>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>

#include <limits>
#include <utility>

#include "base/failure.h"
#include "ui/qt/qt_text.h"
#include "ui_statusform.h"

namespace rangwerk {

namespace {

// The window's face: Verdana's stand-in with the same metrics design.
const char* const kWindowFace = "DejaVu Sans";
constexpr int kWindowFontPixels = 11;
constexpr int kTitleFontPixels = 19;
constexpr int kStripFontPoints = 10;
const QColor kTitleColor(49, 106, 197);
// The strip's gradient runs from this colour to white.
constexpr int kStripStart[3] = {155, 183, 230};
const char* const kPerCentFace = "MS Sans Serif";
constexpr int kPerCentPoints = 8;

// The model's texts break lines with CR LF; a label breaks at LF.
QString LabelText(const std::string& text) {
    QString shown = FromUtf8(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

// The pause after a cancelled download keeps the window's events flowing.
StatusFormServices WithEventLoopWait(StatusFormServices services) {
    if (!services.wait) {
        services.wait = [](int milliseconds) {
            QEventLoop loop;
            QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
            loop.exec();
        };
    }
    return services;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TStatusForm

TStatusForm::TStatusForm(StatusFormServices services, QWidget* parent)
    : TStatusForm(std::make_unique<StatusFormBackend>(WithEventLoopWait(services)), nullptr,
                  *services.dialogs, *services.registry, parent) {}

TStatusForm::TStatusForm(WizardBackend& backend, Dialogs& dialogs, Registry& registry,
                         QWidget* parent)
    : TStatusForm(nullptr, &backend, dialogs, registry, parent) {}

TStatusForm::TStatusForm(std::unique_ptr<StatusFormBackend> own, WizardBackend* other,
                         Dialogs& dialogs, Registry& registry, QWidget* parent)
    : QDialog(parent),
      ownBackend_(std::move(own)),
      dialogs_(dialogs),
      model_(other ? *other : *ownBackend_, dialogs, registry) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    setSizeGripEnabled(false);

    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    QFont font(QString::fromUtf8(kWindowFace));
    font.setPixelSize(kWindowFontPixels);
    setFont(font);
    // The caption belongs to the window from the start; its controls come with its first showing.
    setWindowTitle(QStringLiteral("Updates installieren"));
    model_.SetWindow(this);
    FormCreate();
}

void TStatusForm::MakeControls() {
    if (ui_)
        return;
    // The window's own font, which the start may have given the message font's face, stays.
    const QFont font = this->font();
    ui_ = std::make_unique<Ui::StatusForm>();
    ui_->setupUi(this);
    setFont(font);
    setFixedSize(kClientWidth, kClientHeight);

    QFont titleFont(QString::fromUtf8(kWindowFace));
    titleFont.setPixelSize(kTitleFontPixels);
    titleFont.setBold(true);
    ui_->Panel_Title->setFont(titleFont);
    QPalette titlePalette = ui_->Panel_Title->palette();
    titlePalette.setColor(QPalette::Window, kTitleColor);
    titlePalette.setColor(QPalette::WindowText, Qt::white);
    ui_->Panel_Title->setPalette(titlePalette);
    ui_->Panel_Title->setForegroundRole(QPalette::WindowText);
    ui_->Panel_Title->setBackgroundRole(QPalette::Window);

    ui_->PerCent->setFont(QFont(QString::fromUtf8(kPerCentFace), kPerCentPoints));

    ui_->PaintBox_Process->installEventFilter(this);
    ui_->PaintBox_Process->setAccessibleDescription(QStringLiteral("Schritte des Assistenten"));

    connect(ui_->Button_Next, &QPushButton::clicked, this,
            [this] { Guarded([&] { model_.Button_NextClick(); }); });
    connect(ui_->Button_Check, &QPushButton::clicked, this,
            [this] { Guarded([&] { model_.Button_CheckClick(); }); });
    connect(ui_->CancelDownload, &QPushButton::clicked, this,
            [this] { Guarded([&] { model_.CancelDownloadClick(); }); });
    connect(ui_->Button_Cancel, &QPushButton::clicked, this,
            [this] { Guarded([&] { model_.Button_CancelClick(); }); });
    connect(ui_->CheckBox_Restart, &QCheckBox::toggled, this,
            [this](bool checked) { Guarded([&] { model_.CheckBox_RestartClick(checked); }); });
    connect(ui_->Button_Settings, &QPushButton::clicked, this, [this] {
        Guarded([&] {
            model_.Button_SettingsClick();
            ui_->SpinEdit_AutoUpdt->setValue(model_.Screen().intervalDays);
        });
    });
    auto radioClicked = [this] {
        Guarded([&] { model_.RadioButton_UpdtClick(ui_->RadioButton_NoAutoUpdt->isChecked()); });
    };
    connect(ui_->RadioButton_NoAutoUpdt, &QRadioButton::clicked, this, radioClicked);
    connect(ui_->RadioButton_AutoUpdt, &QRadioButton::clicked, this, radioClicked);
    connect(ui_->Button_SettingsSave, &QPushButton::clicked, this, [this] {
        Guarded([&] {
            model_.Button_SettingsSaveClick(ui_->SpinEdit_AutoUpdt->cleanText().toStdString());
        });
    });
    connect(ui_->Button_SettingsCancel, &QPushButton::clicked, this,
            [this] { Guarded([&] { model_.Button_SettingsCancelClick(); }); });
    Refresh();
}

void TStatusForm::setVisible(bool visible) {
    // The controls are in place before the window first appears.
    if (visible)
        MakeControls();
    QDialog::setVisible(visible);
}

TStatusForm::~TStatusForm() {
    Guarded([&] { model_.FormDestroy(); });
    model_.SetWindow(nullptr);
}

void TStatusForm::FormCreate() {
    // The page icons show the system's information icon. Looking it up searches every folder
    // of the icon theme, which costs more than the rest of the window at start; the window is
    // created hidden at every start and shown in few of them, so the pictures are fetched when
    // it is shown for the first time.
    Refresh();
}

void TStatusForm::ShowPageIcons() {
    if (pageIconsShown_)
        return;
    pageIconsShown_ = true;
    const QPixmap information =
        style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32);
    ui_->Image_Icon1->setPixmap(information);
    ui_->Image_Icon3->setPixmap(information);
    shownErrorIcon_ = model_.Screen().installErrorIcon;
    ui_->Image_Icon2->setPixmap(
        shownErrorIcon_ ? style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32)
                        : information);
}

void TStatusForm::ShowModal(const WizardInputs& inputs) {
    SetInputs(inputs);
    FormShow();
    showingForCaller_ = true;
    exec();
    showingForCaller_ = false;
}

void TStatusForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const bool forCaller = std::exchange(showingForCaller_, false);
    if (!event->spontaneous() && !forCaller)
        Guarded([&] { FormShow(); });
}

void TStatusForm::FormShow() {
    MakeControls();
    ShowPageIcons();
    QFont perCent = ui_->PerCent->font();
    perCent.setBold(true);
    ui_->PerCent->setFont(perCent);
    if (const QScreen* screen =
            this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + area.width() / 2 - width() / 2,
             area.y() + area.height() / 2 - height() / 2);
    }
    model_.FormShow();
}

void TStatusForm::closeEvent(QCloseEvent* event) {
    if (closingForCaller_) {
        event->accept();
        return;
    }
    bool close = false;
    Guarded([&] { close = model_.QueryAndClose(); });
    if (close)
        event->accept();
    else
        event->ignore();
}

void TStatusForm::reject() {
    if (ui_->Notebook_StdButtons->currentWidget() == ui_->SettingsButtons) {
        ui_->Button_SettingsCancel->click();
    } else if (ui_->Button_Cancel->isEnabled()) {
        ui_->Button_Cancel->click();
    }
}

void TStatusForm::Close() {
    // Asked by a handler of the wizard: the close handlers run inside its action.
    if (!model_.QueryAndClose())
        return;
    closingForCaller_ = true;
    close();
    closingForCaller_ = false;
}

void TStatusForm::ProcessEvents() {
    QCoreApplication::processEvents();
}

void TStatusForm::Refresh() {
    if (!ui_)
        return;  // the controls show the screen once they are made
    const WizardScreen& s = model_.Screen();
    ui_->Pages->setCurrentIndex(static_cast<int>(s.page));
    const bool settingsButtons = s.buttonPage == WizardButtonPage::Settings;
    ui_->Notebook_StdButtons->setCurrentWidget(settingsButtons ? ui_->SettingsButtons
                                                               : ui_->Standard);
    // Enter presses the save button on the settings page, "Weiter >" elsewhere.
    ui_->Button_Next->setDefault(!settingsButtons);
    ui_->Button_SettingsSave->setDefault(settingsButtons);
    ui_->Panel_Title->setText(FromUtf8(s.title));
    ui_->Button_Settings->setVisible(s.settingsButtonVisible);

    ui_->Button_Next->setEnabled(s.nextEnabled);
    ui_->Button_Next->setText(FromUtf8(s.nextCaption));
    ui_->Button_Cancel->setEnabled(s.cancelEnabled);
    ui_->Button_Check->setEnabled(s.checkEnabled);

    ui_->Label_CheckResult->setText(LabelText(s.checkResult));

    ui_->Label_Download->setText(LabelText(s.downloadText));
    ui_->CancelDownload->setText(FromUtf8(s.cancelDownloadCaption));
    ui_->CancelDownload->setVisible(s.cancelDownloadVisible);
    // The bar counts in ints: large archives are shown in coarser steps.
    std::uint64_t maximum = s.progressMaximum;
    std::uint64_t position = s.progressPosition;
    while (maximum > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
        maximum /= 1024;
        position /= 1024;
    }
    // A range of 0..0 would make the bar a busy indicator; with no length it stays empty.
    ui_->Status->setRange(0, maximum == 0 ? 1 : static_cast<int>(maximum));
    ui_->Status->setValue(maximum == 0 ? 0 : static_cast<int>(std::min(position, maximum)));
    ui_->PerCent->setText(FromUtf8(s.perCent));
    ui_->StatusLabel->setText(FromUtf8(s.status));
    ui_->TimeLeft->setText(FromUtf8(s.timeLeft));

    ui_->Label3->setText(LabelText(s.installText));
    if (pageIconsShown_ && s.installErrorIcon != shownErrorIcon_) {
        shownErrorIcon_ = s.installErrorIcon;
        ui_->Image_Icon2->setPixmap(style()
                                        ->standardIcon(s.installErrorIcon
                                                           ? QStyle::SP_MessageBoxCritical
                                                           : QStyle::SP_MessageBoxInformation)
                                        .pixmap(32, 32));
    }
    {
        const QSignalBlocker block(ui_->CheckBox_Restart);
        ui_->CheckBox_Restart->setChecked(s.restart);
    }
    {
        const QSignalBlocker blockNo(ui_->RadioButton_NoAutoUpdt);
        const QSignalBlocker blockAuto(ui_->RadioButton_AutoUpdt);
        ui_->RadioButton_NoAutoUpdt->setChecked(s.neverRemind);
        ui_->RadioButton_AutoUpdt->setChecked(!s.neverRemind);
    }
    ui_->Label_AutoUpdt1->setEnabled(s.intervalEnabled);
    ui_->SpinEdit_AutoUpdt->setEnabled(s.intervalEnabled);
    ui_->Label_AutoUpdt2->setEnabled(s.intervalEnabled);

    if (s.stripStep != paintedStep_) {
        paintedStep_ = s.stripStep;
        // The strip is repainted at once, not at the next idle moment.
        if (ui_->PaintBox_Process->isVisible())
            ui_->PaintBox_Process->repaint();
    }
    UpdateStripAccessibility();
}

void TStatusForm::UpdateStripAccessibility() {
    const int step = model_.Screen().stripStep;
    const QString title =
        step >= 0 && step < kWizardStepCount
            ? QString::fromUtf8(WizardStepTitles()[static_cast<std::size_t>(step)])
            : QString();
    if (title == announcedTitle_ && ui_->PaintBox_Process->accessibleName() == title)
        return;
    announcedTitle_ = title;
    ui_->PaintBox_Process->setAccessibleName(title);
    ui_->PaintBox_Process->setAccessibleDescription(title.isEmpty()
                                                        ? QString()
                                                        : QStringLiteral("Schritt %1 von %2: %3")
                                                              .arg(step + 1)
                                                              .arg(kWizardStepCount)
                                                              .arg(title));
    QAccessibleEvent changed(ui_->PaintBox_Process, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

bool TStatusForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->PaintBox_Process && event->type() == QEvent::Paint) {
        QPainter painter(ui_->PaintBox_Process);
        RunWhilePainting([&] { PaintBox_ProcessPaint(painter); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QColor TStatusForm::StripColor(int x, int width) {
    const auto part = [&](int start) { return start + (255 - start) * x / width; };
    return QColor(part(kStripStart[0]), part(kStripStart[1]), part(kStripStart[2]));
}

QFont TStatusForm::StripFont(bool current) const {
    QFont strip = font();
    strip.setPointSize(kStripFontPoints);
    strip.setBold(current);
    strip.setItalic(current);
    return strip;
}

void TStatusForm::PaintBox_ProcessPaint(QPainter& painter) {
    const QWidget* box = ui_->PaintBox_Process;
    const int width = box->width();
    const int height = box->height();
    for (int x = 0; x <= width; ++x) {
        painter.setPen(StripColor(x, width));
        painter.drawLine(x, 0, x, height - 1);
    }
    painter.setPen(palette().color(QPalette::WindowText));
    const int step = model_.Screen().stripStep;
    for (int i = 0; i < kWizardStepCount; ++i) {
        painter.setFont(StripFont(i == step));
        const QPoint at = StripTitlePos(i);
        painter.drawText(QRect(at.x(), at.y(), width * 4, height),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                         QString::fromUtf8(WizardStepTitles()[static_cast<std::size_t>(i)]));
    }
}

}  // namespace rangwerk
