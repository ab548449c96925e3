#include <gtest/gtest.h>

#include "ProgramFolders.h"

using namespace base;

namespace {

TEST(ProgramFolders, FoldersBelowTheProgramFolder) {
    const ProgramFolders f(QStringLiteral("/opt/platoris/"));
    EXPECT_EQ(f.ProgDir, QStringLiteral("/opt/platoris"));  // no stored folder ends in a separator
    EXPECT_EQ(f.SpravDir, QStringLiteral("/opt/platoris/Sprav"));
    EXPECT_EQ(f.TemplateDir, QStringLiteral("/opt/platoris/Template"));
    EXPECT_EQ(f.TemplateSpravDir, QStringLiteral("/opt/platoris/Template/Sprav"));
    EXPECT_EQ(f.TemplateDataDir, QStringLiteral("/opt/platoris/Template/Data"));
}

TEST(ProgramFolders, DayFolderHasTwoDigitMonthAndDay) {
    EXPECT_EQ(dayFolderOf(QStringLiteral("/opt/platoris"), QDate(2009, 2, 1)), QStringLiteral("/opt/platoris/Data/2009/02/01"));
    EXPECT_EQ(dayFolderOf(QStringLiteral("/opt/platoris"), QDate(2008, 10, 13)), QStringLiteral("/opt/platoris/Data/2008/10/13"));
}

}  // namespace
