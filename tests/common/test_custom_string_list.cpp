#include <gtest/gtest.h>

#include "core/common/uTCustomStringList.h"

using orvanta::TCustomStringList;
using orvanta::TObject;

namespace {
struct Counted : TObject {
    explicit Counted(int& frees) : frees_(frees) {}
    ~Counted() override { ++frees_; }
    int& frees_;
};
} // namespace

TEST(TCustomStringList, DeleteFreesObjectExactlyOnce) {
    int frees = 0;
    {
        TCustomStringList list;
        list.AddObject("a", new Counted(frees));
        list.AddObject("b", new Counted(frees));
        list.SetString(0, "renamed"); // keeps the object
        EXPECT_EQ(frees, 0);
        list.Delete(0);
        EXPECT_EQ(frees, 1);
        EXPECT_EQ(list.Strings(0), "b");
    }
    EXPECT_EQ(frees, 2);
}

TEST(TCustomStringList, ClearFreesAllAndSkipsNullObjects) {
    int frees = 0;
    TCustomStringList list;
    list.AddObject("a", new Counted(frees));
    list.Add("no object");
    list.AddObject("c", new Counted(frees));
    list.Clear();
    EXPECT_EQ(frees, 2);
    EXPECT_EQ(list.Count(), 0);
}

TEST(TCustomStringList, NotOwningLeavesObjectsAlone) {
    int frees = 0;
    Counted kept(frees);
    {
        TCustomStringList list;
        list.OwnsObjects = false;
        list.AddObject("a", &kept);
        list.Delete(0);
        list.AddObject("a", &kept);
    }
    EXPECT_EQ(frees, 0);
}

TEST(TCustomStringList, ExtractHandsOverOwnership) {
    int frees = 0;
    TCustomStringList list;
    list.AddObject("a", new Counted(frees));
    std::unique_ptr<TObject> taken(list.Extract(0));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(frees, 0);
    taken.reset();
    EXPECT_EQ(frees, 1);
}

TEST(TCustomStringList, KeepsInsertionOrderAndDefaults) {
    TCustomStringList list;
    EXPECT_TRUE(list.OwnsObjects);
    EXPECT_EQ(list.SortType, 0);
    EXPECT_TRUE(list.SortUp);
    list.Add("zeta");
    list.Add("Alpha");
    list.Move(1, 0);
    EXPECT_EQ(list.Strings(0), "Alpha");
    EXPECT_EQ(list.IndexOf("ZETA"), 1);
    EXPECT_EQ(list.IndexOf("missing"), -1);
}

TEST(TCustomStringList, NameValueLookupIgnoresCase) {
    TCustomStringList types;
    types.NameValueSeparator = ':';
    types.Add("mp3:Audio");
    types.Add("plain");
    EXPECT_EQ(types.Values("MP3"), "Audio");
    EXPECT_EQ(types.Values("plain"), "");
    EXPECT_EQ(types.IndexOfName("plain"), -1);
}
