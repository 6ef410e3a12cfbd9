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

TEST(TCustomStringList, AnEntrysObjectGoesWithItExactlyOnce) {
    int frees = 0;
    {
        TCustomStringList list;
        list.AddObject("a", std::make_unique<Counted>(frees));
        list.Add("no object");
        list.AddObject("c", std::make_unique<Counted>(frees));
        list.SetString(2, "renamed"); // keeps the object
        list.Delete(0);
        EXPECT_EQ(frees, 1);
        EXPECT_EQ(list.Strings(0), "no object");
        EXPECT_EQ(list.ObjectAs<Counted>(0), nullptr);
        EXPECT_EQ(&list.ObjectAs<Counted>(1)->frees_, &frees);
        list.AddObject("d", std::make_unique<Counted>(frees));
        list.Clear();
        EXPECT_EQ(frees, 3);
        list.AddObject("e", std::make_unique<Counted>(frees));
    }
    EXPECT_EQ(frees, 4);
}

TEST(TCustomStringList, LookupsIgnoreTheCaseOfAToZ) {
    TCustomStringList types;
    types.NameValueSeparator = ':';
    types.Add("mp3:Audio");
    types.Add("plain");
    EXPECT_EQ(types.IndexOf("MP3:audio"), 0);
    EXPECT_EQ(types.IndexOf("missing"), -1);
    EXPECT_EQ(types.Values("MP3"), "Audio");
    EXPECT_EQ(types.Values("plain"), "");
    EXPECT_EQ(types.IndexOfName("plain"), -1);
}
