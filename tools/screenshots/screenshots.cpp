// Renders the program's windows for the user guide: builds a known decision (choosing a summer
// holiday destination) through the windows' own controls and saves every window and page as a
// PNG file. Runs on the offscreen platform; the windows get the fonts the program gives them.
//
//   rangwerk_screenshots FOLDER [--project FILE.opt]
//
// The pictures are named after what they show (start.png, sammeln.png, ...). --project also
// saves the finished decision through the main window's save button.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QIcon>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/file_version.h"
#include "app/program.h"
#include "platform/registry_file.h"
#include "support/scripted_dialogs.h"
#include "ui/qt/qt_dialogs.h"

namespace {

using rangwerk::MessageButton;

// Fails the whole run: a picture that cannot be made must not be left out silently.
[[noreturn]] void Fail(const QString& what) {
    throw std::runtime_error(what.toStdString());
}

template <class T>
T* Find(QWidget& window, const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    if (!child)
        Fail(QStringLiteral("no control %1 in %2").arg(name, window.objectName()));
    return child;
}

void Click(QWidget& window, const char* name) {
    QAbstractButton* button = Find<QAbstractButton>(window, name);
    if (!button->isEnabled() || !button->isVisible())
        Fail(QStringLiteral("%1 cannot be clicked").arg(name));
    button->click();
    QApplication::processEvents();
}

// Saves pictures into one folder.
class Camera {
public:
    explicit Camera(QString folder) : folder_(std::move(folder)) {}

    void Save(const QPixmap& picture, const QString& name) {
        const QString path = folder_ + u'/' + name + QStringLiteral(".png");
        // Quality 0: the strongest compression; PNG stays lossless.
        if (!picture.save(path, "PNG", 0))
            Fail(QStringLiteral("cannot write ") + path);
        std::printf("%s %dx%d\n", qPrintable(name + QStringLiteral(".png")), picture.width(),
                    picture.height());
    }

    void Shoot(QWidget& window, const QString& name) {
        QApplication::processEvents();
        Save(window.grab(), name);
    }

    // The next modal window (a message box, the info dialog) is photographed as soon as it
    // shows, then `answer` closes it. Call before the action that opens it.
    void ShootNextModal(const QString& name, std::function<void(QWidget&)> answer) {
        ++waiting_;
        auto* poll = new QTimer;
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout, [this, poll, name, answer] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            --waiting_;
            // Nothing may be thrown through the modal window's event loop: the failure is kept
            // for Check() and the window closed.
            try {
                Shoot(*modal, name);
                answer(*modal);
            } catch (const std::exception& e) {
                error_ = QString::fromStdString(e.what());
                modal->close();
            }
        });
        poll->start();
    }

    // Fails when a modal window was expected but did not show, or its picture failed.
    void Check() const {
        if (!error_.isEmpty())
            Fail(error_);
        if (waiting_ != 0)
            Fail(QStringLiteral("an expected window did not show"));
    }

private:
    QString folder_;
    int waiting_ = 0;
    QString error_;
};

// Presses the message box button with the given text.
std::function<void(QWidget&)> Press(const QString& text) {
    return [text](QWidget& box) {
        for (QAbstractButton* b : box.findChildren<QAbstractButton*>()) {
            if (b->text() == text) {
                b->click();
                return;
            }
        }
        Fail(QStringLiteral("no button ") + text);
    };
}

struct Option {
    const char* name;
    const char* info;
};

// The options in the order they are collected, and how each pair is answered in the walk
// (0,1), (0,2) ... (3,4): '1' the first is better, '2' the second, '0' undecided. Ostsee beats
// Kopenhagen, Kopenhagen beats Schwarzwald and Schwarzwald beats Ostsee: a circle that
// rangwerk-opt cycles reports. Final scores: Südtirol 4, Toskana 1, Ostsee -1, Kopenhagen and
// Schwarzwald -2.
constexpr Option kOptions[] = {
    {"Ostsee – Rügen", "Strand, Kreidefelsen und lange Radwege.\nMit dem Zug gut sechs Stunden."},
    {"Südtirol", "Wandern von Hütte zu Hütte, gutes Essen.\nFerienwohnung ab 95 € pro Nacht."},
    {"Kopenhagen", "Museen, Hafen, alles mit dem Fahrrad.\nTeuer, aber schnell erreicht."},
    {"Toskana", "Kunst, Wein und Landschaft.\nLange Autofahrt, dafür sicher warm."},
    {"Schwarzwald", "Nah, günstig und ruhig."},
};
constexpr char kAnswers[] = "2102111211";
// How many answers are given before the comparison page is photographed.
constexpr int kAnswersBeforeShot = 6;

struct Member {
    const char* option;
    int factor;
};
struct Combination {
    const char* name;
    std::initializer_list<Member> members;
};

void Collect(rangwerk::TForm1& form, Camera& camera) {
    for (const Option& option : kOptions) {
        Find<QLineEdit>(form, "Edit_1OptionName")->setText(QString::fromUtf8(option.name));
        Find<QPlainTextEdit>(form, "Memo_1Info")->setPlainText(QString::fromUtf8(option.info));
        Click(form, "Button_1Add");
    }
    // A selected row shows its option in the fields on the left.
    auto* list = Find<QListView>(form, "ListView_1Options");
    list->setCurrentIndex(list->model()->index(1, 0));
    QApplication::processEvents();
    camera.Shoot(form, QStringLiteral("sammeln"));
}

void Settings(rangwerk::TForm1& form, Camera& camera) {
    Click(form, "Button_1Next");
    Find<QRadioButton>(form, "RadioGroup_2Order_Item0")->setChecked(true);
    Find<QCheckBox>(form, "CheckBox_2LiveScore")->setChecked(true);
    camera.Shoot(form, QStringLiteral("einstellungen"));
}

void Answer(rangwerk::TForm1& form, char answer) {
    Click(form, answer == '1'   ? "Button_3Option1"
                : answer == '2' ? "Button_3Option2"
                                : "Button_3Remis");
}

void Compare(rangwerk::TForm1& form, Camera& camera) {
    Click(form, "Button_2Next");
    for (int i = 0; i < kAnswersBeforeShot; ++i) Answer(form, kAnswers[i]);
    camera.Shoot(form, QStringLiteral("vergleich"));

    // The menu of the second option, drawn where it opens over the window.
    Click(form, "Button_3ChooseOption2");
    auto* menu = Find<QMenu>(form, "PopupMenu_3ChooseOption");
    if (!menu->isVisible())
        Fail(QStringLiteral("the choose-option menu did not open"));
    QPixmap picture = form.grab();
    {
        QPainter painter(&picture);
        painter.drawPixmap(form.mapFromGlobal(menu->pos()), menu->grab());
    }
    camera.Save(picture, QStringLiteral("vergleich-auswahl"));
    menu->hide();
    QApplication::processEvents();

    for (int i = kAnswersBeforeShot; kAnswers[i] != '\0'; ++i) Answer(form, kAnswers[i]);
    if (form.CurrentPage() != static_cast<int>(rangwerk::MainPage::Result))
        Fail(QStringLiteral("the last answer did not show the result"));
    camera.Shoot(form, QStringLiteral("ergebnis"));
}

// The bottom row of the main window with "Ende", "Startbildschirm" and the save button, with the
// window's margin of 8 pixels around them.
void SaveButton(rangwerk::TForm1& form, Camera& camera) {
    QRect row = Find<QWidget>(form, "Button_Exit")->geometry();
    row |= Find<QWidget>(form, "Button_Restart")->geometry();
    row |= Find<QWidget>(form, "Panel_Save")->geometry();
    camera.Save(form.grab(row.adjusted(-8, -8, 8, 8)), QStringLiteral("speichern"));
}

void Combine(rangwerk::TForm1& form, rangwerk::TForm2& combinations,
             rangwerk::CombinationsWindowModel& model, Camera& camera) {
    Click(form, "Button_4Combinations");
    const Combination kCombinations[] = {
        {"Stadt und Strand", {{"Kopenhagen", 1}, {"Ostsee – Rügen", 1}}},
        {"Sommer in den Bergen", {{"Südtirol", 2}, {"Schwarzwald", 1}}},
        {"Nah und günstig", {{"Schwarzwald", 2}, {"Ostsee – Rügen", 1}}},
        {"Italien mit Abstecher", {{"Toskana", 3}, {"Südtirol", 1}}},
    };
    const auto choose = [&model](const char* option) {
        for (int i = 0; i < model.Screen().choiceRows; ++i) {
            if (model.ChoiceRow(i) == option)
                return model.ComboBox_OptionsChange(i);
        }
        Fail(QStringLiteral("no option ") + QString::fromUtf8(option));
    };
    for (const Combination& c : kCombinations) {
        model.EditCombinationName(c.name);
        for (const Member& m : c.members) {
            choose(m.option);
            model.EditFactorField(std::to_string(m.factor));
            Click(combinations, "Button_OptionAdd");
        }
        Click(combinations, "Button_CombinationAdd");
    }
    // "Sommer in den Bergen" selected, with its first member.
    model.ListView_CombinationsClick(1);
    model.ListView_OptionsClick(0);
    camera.Shoot(combinations, QStringLiteral("kombinationen"));

    Click(combinations, "Button_Next");
    camera.Shoot(combinations, QStringLiteral("diagramm"));
    Find<QCheckBox>(combinations, "CheckBox_Sort")->setChecked(true);
    camera.Shoot(combinations, QStringLiteral("diagramm-sortiert"));
}

// The update wizard "Updates installieren": its welcome page, then its settings page, reached
// through "Einstellungen" as a user would; "Abbrechen" on each page closes it again.
void ShootUpdateWizard(rangwerk::Program& program, Camera& camera) {
    rangwerk::UpdateWizardWindow* wizard = program.QuarvUpdateFile().StatusForm();
    if (wizard == nullptr)
        Fail(QStringLiteral("no update wizard"));
    camera.ShootNextModal(QStringLiteral("update-willkommen"), [&camera](QWidget& window) {
        Click(window, "Button_Settings");
        camera.Shoot(window, QStringLiteral("update-einstellungen"));
        Click(window, "Button_SettingsCancel");
        Click(window, "Button_Cancel");
    });
    wizard->ShowModal(rangwerk::WizardInputs{});
    camera.Check();
}

struct Services {
    QTemporaryDir folder;
    rangwerk::FileRegistry registry{std::filesystem::path(folder.path().toStdString())};
};

rangwerk::ProgramServices MakeServices(rangwerk::Dialogs& dialogs, Services& services,
                                       std::optional<std::string> argument1) {
    return rangwerk::ProgramServices{dialogs,
                                     services.registry,
                                     QDir::homePath().toStdString() + "/.local/bin/rangwerk",
                                     std::move(argument1),
                                     [] { return rangwerk::ReadFileVersion(); },
                                     {},
                                     nullptr};
}

// The tour through one decision, from the start page to the diagram.
void Tour(Camera& camera, const std::optional<QString>& projectFile) {
    Services services;
    rangwerk::testing::ScriptedDialogs dialogs;
    rangwerk::Program program(MakeServices(dialogs, services, std::nullopt));
    rangwerk::TForm1& form = program.MainWindow();
    form.show();
    camera.Shoot(form, QStringLiteral("start"));

    camera.ShootNextModal(QStringLiteral("info"),
                          [](QWidget& info) { static_cast<QDialog&>(info).accept(); });
    Click(form, "SpeedButton_0Info");
    camera.Check();

    Click(form, "SpeedButton_0New");
    Collect(form, camera);
    Settings(form, camera);
    Compare(form, camera);
    SaveButton(form, camera);
    Combine(form, program.CombinationsWindow(), program.CombinationsModel(), camera);
    ShootUpdateWizard(program, camera);

    if (projectFile) {
        dialogs.AnswerFile(
            QDir::cleanPath(QDir::current().absoluteFilePath(*projectFile)).toStdString());
        Click(form, "SpeedButton_Save");
    }
    if (!dialogs.AllAnswered()) {
        QString asked;
        for (const auto& m : dialogs.messages) asked += QString::fromStdString(m.text) + u'\n';
        Fail(QStringLiteral("unexpected dialogs:\n") + asked);
    }
    program.CombinationsWindow().close();
}

// "rangwerk /uninstall": the question and the closing message, answered with "&Ja".
void Uninstall(Camera& camera) {
    Services services;
    {
        // The entry the removal deletes: written by an ordinary start.
        rangwerk::testing::ScriptedDialogs quiet;
        rangwerk::Program start(MakeServices(quiet, services, std::nullopt));
    }
    rangwerk::QtDialogs dialogs;
    camera.ShootNextModal(QStringLiteral("deinstallieren-frage"), [&camera](QWidget& box) {
        camera.ShootNextModal(QStringLiteral("deinstallieren-fertig"), Press(QStringLiteral("OK")));
        Press(QStringLiteral("&Ja"))(box);
    });
    rangwerk::Program program(MakeServices(dialogs, services, std::string("/uninstall")));
    camera.Check();
    if (!program.Terminated())
        Fail(QStringLiteral("/uninstall did not end the program"));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(rangwerk::kApplicationTitle));
    // A German system: decimal commas in the diagram.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        icon.addFile(QStringLiteral(":/icons/rangwerk-%1.png").arg(size), QSize(size, size));
    }
    QApplication::setWindowIcon(icon);

    QString folder;
    std::optional<QString> projectFile;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--project") && i + 1 < arguments.size()) {
            projectFile = arguments[++i];
        } else if (folder.isEmpty() && !arguments[i].startsWith(u'-')) {
            folder = arguments[i];
        } else {
            folder.clear();
            break;
        }
    }
    if (folder.isEmpty()) {
        std::fprintf(stderr, "usage: rangwerk_screenshots FOLDER [--project FILE.opt]\n");
        return 2;
    }
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder));
        return 1;
    }
    try {
        Camera camera(folder);
        Tour(camera, projectFile);
        Uninstall(camera);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rangwerk_screenshots: %s\n", e.what());
        return 1;
    }
    return 0;
}
