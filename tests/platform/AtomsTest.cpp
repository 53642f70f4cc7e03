// The process-wide atom table.
#include "platform/Atoms.h"

#include "QtPrinting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace {

TEST(AtomsTest, NamesAreSharedWithoutRegardToCaseAndCounted) {
    const ATOM atom = GlobalAddAtom(QStringLiteral("Film.MKV"));
    EXPECT_GE(atom, kFirstStringAtom);
    // A second add of the name in another case is the same atom, first spelling kept.
    EXPECT_EQ(std::pair(GlobalAddAtom(QStringLiteral("film.mkv")),
                        GlobalFindAtom(QStringLiteral("FILM.mkv"))),
              std::pair(atom, atom));
    EXPECT_EQ(GlobalGetAtomName(atom), QStringLiteral("Film.MKV"));
    const ATOM other = GlobalAddAtom(QStringLiteral("film.avi"));
    EXPECT_TRUE(other != atom && other != 0);
    // Two references: the first delete leaves it, the second takes it.
    EXPECT_EQ(GlobalDeleteAtom(atom), 0);
    EXPECT_EQ(GlobalGetAtomName(atom), QStringLiteral("Film.MKV"));
    EXPECT_EQ(GlobalDeleteAtom(atom), 0);
    EXPECT_EQ(GlobalFindAtom(QStringLiteral("film.mkv")), 0);
    // Deleting what is not there fails with the atom itself.
    EXPECT_EQ(std::pair(GlobalDeleteAtom(atom), GlobalDeleteAtom(other)), std::pair(atom, ATOM{}));
    // Non-ASCII names fold their case too.
    const ATOM umlaut = GlobalAddAtom(QStringLiteral(u"ÄRGER"));
    EXPECT_EQ(GlobalAddAtom(QStringLiteral(u"ärger")), umlaut);
    EXPECT_EQ(std::pair(GlobalDeleteAtom(umlaut), GlobalDeleteAtom(umlaut)),
              std::pair(ATOM{}, ATOM{}));
}

TEST(AtomsTest, NamesAreOneTo255Characters) {
    EXPECT_EQ(std::pair(GlobalAddAtom(QString()), GlobalAddAtom(QString(256, u'x'))),
              std::pair(ATOM{}, ATOM{}));
    const ATOM longest = GlobalAddAtom(QString(255, u'x'));
    // Characters count, not UTF-16 units: 254 + one outside the basic plane.
    const QString clef = QString(254, u'y') + QStringLiteral(u"𝄞");
    const ATOM wide = GlobalAddAtom(clef);
    ASSERT_TRUE(longest != 0 && wide != 0);
    EXPECT_EQ(GlobalAddAtom(clef + QLatin1Char('y')), 0);
    // A smaller buffer gets the name cut to its size, never inside a character.
    EXPECT_EQ((QStringList{GlobalGetAtomName(longest), GlobalGetAtomName(longest, 11),
                           GlobalGetAtomName(wide, 256), GlobalGetAtomName(wide, 255),
                           GlobalGetAtomName(longest, 1), GlobalGetAtomName(0)}),
              (QStringList{QString(255, u'x'), QString(10, u'x'), clef, QString(254, u'y'),
                           QString(), QString()}));
    GlobalDeleteAtom(longest);
    GlobalDeleteAtom(wide);
}

TEST(AtomsTest, TheTableHolds16384AtomsAndFreedNumbersComeBackLater) {
    std::vector<ATOM> atoms;
    for (ATOM atom; (atom = GlobalAddAtom(QStringLiteral("name %1").arg(atoms.size())));) {
        atoms.push_back(atom);
    }
    EXPECT_EQ(std::set(atoms.begin(), atoms.end()).size(), 0x4000u);
    EXPECT_GE(*std::min_element(atoms.begin(), atoms.end()), kFirstStringAtom);
    // Full, yet an existing name still gets its reference.
    EXPECT_EQ(std::pair(GlobalAddAtom(QStringLiteral("one too many")),
                        GlobalAddAtom(QStringLiteral("NAME 7"))),
              std::pair(ATOM{}, atoms[7]));
    EXPECT_EQ(std::pair(GlobalDeleteAtom(atoms[7]), GlobalDeleteAtom(atoms[100])),
              std::pair(ATOM{}, ATOM{}));
    EXPECT_EQ(GlobalAddAtom(QStringLiteral("one more")), atoms[100]);
    for (const ATOM atom : atoms) {
        EXPECT_EQ(GlobalDeleteAtom(atom), 0);
    }
    // The number just freed is not the next one handed out.
    const ATOM first = GlobalAddAtom(QStringLiteral("first"));
    EXPECT_EQ(GlobalDeleteAtom(first), 0);
    EXPECT_NE(GlobalAddAtom(QStringLiteral("second")), first);
    GlobalDeleteAtom(GlobalFindAtom(QStringLiteral("second")));
}

TEST(AtomsTest, ThreadsShareTheTable) {
    std::atomic<int> failures = 0;
    for (std::vector<std::jthread> threads; threads.size() < 4;) {
        const int t = static_cast<int>(threads.size());
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 2000; ++i) {
                const QString name = QStringLiteral("shared %1").arg(i % 50);
                const QString own = QStringLiteral("thread %1 %2").arg(t).arg(i);
                const ATOM shared = GlobalAddAtom(name);
                const ATOM mine = GlobalAddAtom(own);
                if (shared == 0 || mine == 0 || GlobalGetAtomName(mine) != own ||
                    GlobalGetAtomName(shared).compare(name, Qt::CaseInsensitive) != 0 ||
                    GlobalDeleteAtom(mine) != 0 || GlobalDeleteAtom(shared) != 0) {
                    ++failures;
                }
            }
        });
    }  // the threads end and join here
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(std::pair(GlobalFindAtom(QStringLiteral("shared 0")),
                        GlobalFindAtom(QStringLiteral("shared 49"))),
              std::pair(ATOM{}, ATOM{}));
}

}  // namespace
