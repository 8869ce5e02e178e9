// Runs the GoogleTest suites inside a QCoreApplication, whose event loop
// the downloads, the pauses and the lock waits run while they wait.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
