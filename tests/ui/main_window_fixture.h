// The main window's model with a window that keeps its lists as a frontend does: only from the
// model's change notices. Window-free.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/fixed_seed.h"
#include "support/scripted_dialogs.h"
#include "ui/main_window_model.h"

namespace rangwerk::testing {

// The combinations window as the main window drives it.
class FakeCombinationsWindow : public CombinationsWindowControl {
public:
    void ShowWindow() override {
        ++shown;
        visible = true;
    }
    void CloseWindow() override {
        ++closed;
        visible = false;
    }
    bool WindowVisible() const override { return visible; }
    int Page() const override { return page; }
    void SetPage(int p) override { page = p; }

    bool visible = false;
    int page = 1;
    int shown = 0;
    int closed = 0;
};

// A window over the model: it shows nothing, but keeps its rows the way a list control does,
// from the change notices alone, so that a missing or wrong notice shows as rows out of step.
class ListKeepingWindow : public MainWindowView {
public:
    explicit ListKeepingWindow(const MainWindowModel& model) : model_(model) {}

    void Refresh() override { ++refreshes; }
    void ListChanged(MainList list, const ListChange& change) override {
        std::vector<std::string>& rows = rows_[static_cast<std::size_t>(list)];
        const auto at = [&](int row) { return rows.begin() + row; };
        switch (change.kind) {
            case ListChange::Kind::Reset:
                rows.clear();
                for (int i = 0; i < model_.RowCount(list); ++i) rows.push_back(Row(list, i));
                break;
            case ListChange::Kind::Inserted:
                rows.insert(at(change.row), Row(list, change.row));
                break;
            case ListChange::Kind::Removed:
                rows.erase(at(change.row));
                break;
            case ListChange::Kind::Moved: {
                std::string moved = rows.at(static_cast<std::size_t>(change.row));
                rows.erase(at(change.row));
                rows.insert(at(change.to), std::move(moved));
                break;
            }
            case ListChange::Kind::Changed:
                rows.at(static_cast<std::size_t>(change.row)) = Row(list, change.row);
                break;
            case ListChange::Kind::Repaint:
                ++repaints[static_cast<std::size_t>(list)];
                break;
        }
    }
    void PopUpChooseMenu(PairSide side) override { menus.push_back(side); }
    void CloseWindow() override { ++closes; }

    // The rows as the window holds them.
    const std::vector<std::string>& Rows(MainList list) const {
        return rows_[static_cast<std::size_t>(list)];
    }

    int refreshes = 0;
    int closes = 0;
    int repaints[4] = {};
    std::vector<PairSide> menus;

private:
    std::string Row(MainList list, int row) const {
        return list == MainList::Options ? model_.OptionRow(row) : std::string();
    }

    const MainWindowModel& model_;
    std::vector<std::string> rows_[4];
};

struct MainWindow {
    Project project;
    ScriptedDialogs dialogs;
    FixedSeed seed;
    FakeCombinationsWindow combinations;
    MainWindowModel model{project, dialogs, seed};
    ListKeepingWindow window{model};

    MainWindow() {
        model.SetView(&window);
        model.SetCombinationsWindow(&combinations);
    }

    const MainWindowScreen& Screen() const { return model.Screen(); }

    void Add(const std::string& name, const std::string& info = {}) {
        model.EditOptionName(name);
        model.EditOptionInfo(info);
        model.Button_1AddClick();
    }
    // A new project with the options (information "<name> info"), on the settings page.
    void Collect(const std::vector<std::string>& names) {
        model.SpeedButton_0NewClick();
        for (const std::string& n : names) Add(n, n + " info");
        model.Button_1NextClick();
    }
    void StartRun(QueryOrder order, bool live = true) {
        model.RadioGroup_2OrderClick(order);
        model.CheckBox_2LiveScoreClick(live);
        model.Button_2NextClick();
    }
    std::pair<std::string, std::string> Pair() const {
        return {Screen().pairNames[0], Screen().pairNames[1]};
    }
    // The outcome recorded for options a and b (list positions), 99 when undecided.
    std::int32_t Outcome(std::size_t a, std::size_t b) const {
        const OptionRecord& first = project.options.At(a);
        const OptionRecord& second = project.options.At(b);
        const ResultEntry& e =
            first.results.at(static_cast<std::size_t>(FindResultEntry(first.results, second.id)));
        return e.decided ? e.outcome : 99;
    }
    // The one message shown since the last call, taken off the list.
    MessageRequest TakeMessage() {
        EXPECT_EQ(dialogs.messages.size(), 1u);
        if (dialogs.messages.empty())
            return {};
        MessageRequest m = dialogs.messages.back();
        dialogs.messages.clear();
        dialogs.unexpected = 0;
        return m;
    }
    // The enablement of "&Aktualisieren", "Ent&fernen", "&Hoch", "&Runter" as "1100".
    std::string SelectionButtons() const {
        const MainWindowScreen& s = Screen();
        std::string out;
        for (bool b : {s.updateEnabled, s.deleteEnabled, s.upEnabled, s.downEnabled})
            out += b ? '1' : '0';
        return out;
    }
};

}  // namespace rangwerk::testing
