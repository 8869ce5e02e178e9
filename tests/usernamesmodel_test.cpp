#include "ui/usernamesmodel.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QSignalSpy>

using vidfolio::ui::UserNamesModel;

namespace {

// What a user-name box shows: its entries, the selected one and the text.
struct BoxState
{
    QStringList entries;
    int current = -1;
    QString text;
    bool operator==(const BoxState &) const = default;
};

std::ostream &operator<<(std::ostream &out, const BoxState &state)
{
    return out << state.entries.join(u',').toStdString() << " [" << state.current << "] "
               << state.text.toStdString();
}

BoxState stateOf(const QComboBox &box)
{
    BoxState state;
    for (int i = 0; i < box.count(); ++i)
        state.entries.append(box.itemText(i));
    state.current = box.currentIndex();
    state.text = box.currentText();
    return state;
}

void setUpLikeTheWindow(QComboBox &box)
{
    box.setEditable(true);
    box.setInsertPolicy(QComboBox::NoInsert);
    box.setCompleter(nullptr);
    box.setDuplicatesEnabled(true);
}

TEST(UserNamesModel, BoxOverItBehavesAsOverItsOwnModel)
{
    QComboBox own;
    QComboBox names;
    auto *model = new UserNamesModel(&names);
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    names.setModel(model);
    setUpLikeTheWindow(own);
    setUpLikeTheWindow(names);

    const auto both = [&](const std::function<void(QComboBox &)> &step) {
        step(own);
        step(names);
        EXPECT_EQ(stateOf(names), stateOf(own));
    };
    const QStringList history{"newest", "", QStringLiteral("Zoë"), "oldest"};
    own.addItems(history);
    model->appendNames(history);
    EXPECT_EQ(stateOf(names), stateOf(own));
    both([](QComboBox &box) { box.setCurrentIndex(0); });
    both([](QComboBox &box) { box.setEditText(QStringLiteral("typed")); });
    both([](QComboBox &box) { box.insertItem(0, QStringLiteral("typed")); });
    both([](QComboBox &box) { box.setCurrentIndex(3); });
    both([](QComboBox &box) { box.insertItem(0, QStringLiteral("another")); });
    both([](QComboBox &box) { box.setItemText(1, QStringLiteral("renamed")); });
    both([](QComboBox &box) { box.removeItem(0); });
    both([](QComboBox &box) { box.clear(); });
}

TEST(UserNamesModel, AppendingIsOneInsertionAfterTheLastRow)
{
    UserNamesModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.appendNames({"a", "b"});
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.appendNames({"c", "d", "e"});
    model.appendNames({});
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 2);
    EXPECT_EQ(inserted[0][2].toInt(), 4);
    ASSERT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.index(4).data().toString(), QStringLiteral("e"));
    EXPECT_EQ(model.index(4).data(Qt::EditRole).toString(), QStringLiteral("e"));
    EXPECT_FALSE(model.index(4).data(Qt::DecorationRole).isValid());
}

} // namespace
