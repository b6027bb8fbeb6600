#include "app/program.h"

#include <QApplication>
#include <QEventLoop>
#include <QFont>
#include <QFontDatabase>
#include <QLocale>
#include <QTimer>
#include <QWindow>

#include <utility>

#include "ui/qt/qt_text.h"
#include "ui/qt/quarv_update_file_statusform.h"

namespace rangwerk {

QString SystemMessageFontFace() {
    const QString arialMetrics = QStringLiteral("Liberation Sans");
    if (QFontDatabase::families().contains(arialMetrics))
        return arialMetrics;
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

namespace {

// The update wizard window as the update component drives it.
class StatusFormWindow : public UpdateWizardWindow {
public:
    explicit StatusFormWindow(std::unique_ptr<TStatusForm> form) : form_(std::move(form)) {}
    QWidget& Window() override { return *form_; }
    void ShowModal(const WizardInputs& inputs) override { form_->ShowModal(inputs); }

private:
    std::unique_ptr<TStatusForm> form_;
};

}  // namespace

QtProgramWindows::QtProgramWindows(
    Dialogs& dialogs, Registry& registry, std::function<QString()> messageFontFace,
    std::function<std::unique_ptr<UpdateWizardWindow>()> createWizard)
    : dialogs_(dialogs),
      registry_(registry),
      messageFontFace_(messageFontFace ? std::move(messageFontFace) : SystemMessageFontFace),
      createWizard_(std::move(createWizard)) {
    // The info dialog's labels keep "MS Sans Serif", a Windows face; elsewhere the face with
    // its metrics stands in for it.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
}

QtProgramWindows::~QtProgramWindows() = default;

void QtProgramWindows::MakeMainWindow(MainWindowModel& model) {
    form1_ = std::make_unique<TForm1>(model, dialogs_);
}

void QtProgramWindows::MakeUpdateComponent(UpdateComponent& component, WizardBackend* wizard) {
    update_ = std::make_unique<TQuarvUpdateFile>(
        form1_.get(), component, dialogs_, [&]() -> std::unique_ptr<UpdateWizardWindow> {
            if (createWizard_)
                return createWizard_();
            if (!wizard)
                return nullptr;
            // Owned by the application object: a window of its own, without a parent.
            return std::make_unique<StatusFormWindow>(
                std::make_unique<TStatusForm>(*wizard, dialogs_, registry_));
        });
}

void QtProgramWindows::MakeCombinationsWindow(CombinationsWindowModel& model) {
    form2_ = std::make_unique<TForm2>(model, dialogs_, form1_.get());
}

void QtProgramWindows::MakeInfoDialog(InfoModel& model) {
    info_ = std::make_unique<TInfo>(dialogs_, model, QApplication::windowIcon());
}

std::vector<FontedWindow*> QtProgramWindows::Windows() {
    fonted_ = ProgramWindowsForFontRule();
    std::vector<FontedWindow*> windows;
    for (const auto& window : fonted_) windows.push_back(window.get());
    return windows;
}

std::string QtProgramWindows::MessageFontFace() {
    return ToUtf8(messageFontFace_());
}

namespace {

// Calls `shown` once, from the event loop, after the window was first exposed on screen.
class FirstExposure : public QObject {
public:
    FirstExposure(QWindow* window, std::function<void()> shown)
        : window_(window), shown_(std::move(shown)) {
        window_->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Expose && window_->isExposed() &&
            shown_) {
            window_->removeEventFilter(this);
            QTimer::singleShot(0, this, [shown = std::exchange(shown_, nullptr)] { shown(); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWindow* window_;
    std::function<void()> shown_;
};

}  // namespace

void QtProgramWindows::RunEventLoop(const std::function<void()>& shown) {
    // Closing the main window ends the program, whatever other window is still open.
    QObject::connect(form1_.get(), &TForm1::Closed, qApp, &QApplication::quit,
                     Qt::QueuedConnection);
    form1_->winId();  // the window handle exists from here on
    FirstExposure exposure(form1_->windowHandle(), shown);
    form1_->show();
    QApplication::exec();
}

void QtProgramWindows::QuitEventLoop() {
    QApplication::quit();
}

void QtProgramWindows::WaitWithEvents(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void QtProgramWindows::DestroyInfoDialog() {
    info_.reset();
}

void QtProgramWindows::DestroyCombinationsWindow() {
    form2_.reset();
}

void QtProgramWindows::DestroyUpdateComponent() {
    update_.reset();
}

void QtProgramWindows::DestroyMainWindow() {
    form1_.reset();
}

Program::Program(ProgramServices services)
    : windows_(services.dialogs, services.registry, services.messageFontFace,
               services.update.createWizard) {
    CoreUpdateServices update;
    update.driveType = services.update.driveType;
    update.fileTime = services.update.fileTime;
    update.today = services.update.today;
    update.host = services.update.host;
    update.http = &http_;
    update.connection = &connection_;
    core_ = std::make_unique<ProgramCore>(
        ProgramCoreServices{services.dialogs, services.registry, services.programPath,
                            services.argument1, services.readFileVersion,
                            services.addressOpener ? *services.addressOpener : desktopOpener_,
                            seed_, ToUtf8(QLocale().decimalPoint()), std::move(update)},
        windows_);
}

Program::~Program() {
    core_.reset();
}

}  // namespace rangwerk
