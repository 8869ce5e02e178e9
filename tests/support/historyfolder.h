#pragma once

#include "support/filebytes.h"
#include "support/recordingview.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

namespace vidfolio::test {

// A temporary folder holding a history file, written and read back as
// bytes, for the suites that check what loading and saving do to the file.
class HistoryFolderTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    QString path() const { return folder.filePath("users.vidfolio"); }
    void writeFile(const QByteArray &bytes) const
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    QByteArray readFile() const { return fileBytes(path()); }

    QTemporaryDir folder;
    CountingRunLoop loop;
};

} // namespace vidfolio::test
