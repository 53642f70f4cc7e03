#include "dialogs/FileDialogFilter.h"

#include <gtest/gtest.h>

TEST(FileDialogFilter, PairsBecomeQtFilters) {
    EXPECT_EQ(
        ToQtFileFilter(QStringLiteral("Media|*.avi;*.mkv;|Audio|*.mp3;|All files (*.*)|*.*||")),
        QStringLiteral("Media (*.avi *.mkv);;Audio (*.mp3);;All files (*.*)"));
    // An empty pattern list matches everything.
    EXPECT_EQ(ToQtFileFilter(QStringLiteral("Video||All (*.*)|*.*||")),
              QStringLiteral("Video (*);;All (*.*)"));
}
