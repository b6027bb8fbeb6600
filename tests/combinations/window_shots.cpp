// Shows the combinations window with a few combinations and saves pictures of both pages to
// /tmp/rangwerk-shots (run with QT_QPA_PLATFORM=offscreen).
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include <cstdio>

#include "combinations/ranko2.h"
#include "support/scripted_dialogs.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget mainWindow;
    mainWindow.setGeometry(100, 100, 640, 480);
    mainWindow.show();

    rangwerk::Project project;
    project.scores = {1, 0, -1};
    const std::pair<const char*, int> options[] = {
        {"Auto", 4}, {"Fahrrad", 2}, {"Bahn", -1}, {"Zu Fuß", -3}, {"Ähnliches", 0}};
    for (const auto& [name, score] : options) {
        rangwerk::OptionRecord& o = project.options.AddOption(name, "");
        o.results.assign(static_cast<std::size_t>(std::abs(score)),
                         rangwerk::ResultEntry{0, score < 0 ? -1 : 1, true});
    }
    auto add = [&](const char* name, std::vector<rangwerk::MemberRow> rows) {
        project.combinations.AddCombination(name, rows, project.options);
    };
    add("Schnell", {{"Auto", 3}, {"Bahn", 1}});
    add("Gesund", {{"Fahrrad", 2}, {"Zu Fuß", 1}});
    add("Umweltfreundlich und bequem, mit einem sehr langen Namen", {{"Bahn", 1}});
    add("Langsam", {{"Zu Fuß", 1}});
    add("Gemischt", {{"Auto", 1}, {"Fahrrad", 1}, {"Bahn", 1}, {"Zu Fuß", 1}});
    add("Ohne Mitglieder", {});
    add("Wie Schnell", {{"Auto", 3}, {"Bahn", 1}});

    rangwerk::testing::ScriptedDialogs dialogs;
    rangwerk::TForm2 form(project, dialogs, &mainWindow);
    form.ShowWindow();
    app.processEvents();

    QDir().mkpath("/tmp/rangwerk-shots");
    auto* combinations = form.findChild<QTreeWidget*>("ListView_Combinations");
    combinations->topLevelItem(1)->setSelected(true);
    form.ListView_CombinationsClick();
    auto* members = form.findChild<QTreeWidget*>("ListView_Options");
    members->topLevelItem(0)->setSelected(true);
    form.ListView_OptionsClick();
    app.processEvents();
    form.grab().save("/tmp/rangwerk-shots/combinations-page0.png");

    form.findChild<QPushButton*>("Button_Next")->click();
    app.processEvents();
    form.findChild<QListWidget*>("ListBox_Combinations")->setCurrentRow(2);
    app.processEvents();
    form.grab().save("/tmp/rangwerk-shots/combinations-page1.png");
    form.findChild<QCheckBox*>("CheckBox_Sort")->setChecked(true);
    app.processEvents();
    form.grab().save("/tmp/rangwerk-shots/combinations-page1-sorted.png");
    std::printf("%zu unexpected messages\n", dialogs.messages.size());
    return 0;
}
