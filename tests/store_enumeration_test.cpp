// Store enumeration at start: the summary, the destination choice, registry and free-space failures,
// and the store table's capacity.
#include <gtest/gtest.h>

#include "session.h"

namespace {

SimDevice Stores(const TempDir& dir, std::vector<std::pair<std::uint64_t, std::uint64_t>> totalFree) {
  SimDevice d;
  for (size_t i = 0; i < totalFree.size(); ++i) {
    const std::u16string n = CString::FromUtf8(std::to_string(i + 1)).str();
    SimStore s = MakeStore((u"DSK" + n + u":").c_str(), (u"P" + n).c_str());
    d.stores.push_back(s);
    d.registry[u"P" + n] = CString(u"F" + n);
    d.folders[u"F" + n] = {dir.Path(), totalFree[i].first, totalFree[i].second};
  }
  return d;
}

}  // namespace

TEST(StoreEnumeration, SummaryNamesEachFolderWithWholeMegabytes) {
  TempDir dir;
  Session s(Stores(dir, {{5000000, 3500000}}));
  s.Run([&](HeadlessUser&) {
    EXPECT_EQ(s.Panel(), CString(u"Stores found:\n\\F1\t\t5MB, 3MB free\n\n Please select a store..."));
    EXPECT_EQ(Session::Dialog().m_destStore, 0);
    EXPECT_EQ(Session::Dialog().m_maxFreeBytes, 3500000u);
  });
  const auto keys = s.sim.Calls("RegOpenKeyEx");
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].args, "System\\StorageManager\\Profiles\\P1\\");
  EXPECT_EQ(s.sim.OpenHandles(), 0u);
}

TEST(StoreEnumeration, DestinationIsTheFirstStoreWithTheMostFreeBytes) {
  struct Case {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> folders;
    int dest;
    std::uint64_t maxFree;
  } cases[] = {
      {{{9000000, 4000000}, {9000000, 4000000}}, 0, 4000000},  // equal: the first found
      {{{9000000, 100}, {9000000, 999999}}, 1, 999999},        // bytes count, not the MB shown
      {{{9000000, 0}, {9000000, 0}}, -1, 0},                   // no free byte anywhere
      {{{9000000, 5}, {9000000, 7}, {9000000, 7}}, 1, 7},
  };
  for (const Case& c : cases) {
    TempDir dir;
    Session s(Stores(dir, c.folders));
    s.Run([&](HeadlessUser&) {
      EXPECT_EQ(Session::Dialog().m_destStore, c.dest);
      EXPECT_EQ(Session::Dialog().m_maxFreeBytes, c.maxFree);
    });
  }
}

TEST(StoreEnumeration, StoresWithoutFolderOrSpaceAreListedButNeverTheDestination) {
  TempDir dir;
  SimDevice d = Stores(dir, {{1000000, 1000000}, {1000000, 1000000}, {1000000, 1000000}, {0, 0}});
  d.registry.erase(u"P1");                    // no key at all
  d.registry[u"P2"] = std::nullopt;           // a key without "Folder"
  d.folders.erase(u"F3");                     // a folder whose free space cannot be read
  d.registry[u"P4"] = CString(std::u16string(300, u'x'));  // longer than the value buffer
  Session s(std::move(d));
  s.Run([&](HeadlessUser& user) {
    // A missing key or value is silent; a value too long for the buffer is a failure and says so.
    EXPECT_EQ(s.Panel(), CString(u"Stores found:\nF3 - Disk free space unavailable\nError on opening key\n"
                                 u" System\\StorageManager\\Profiles\\P4\\\\Folder\n\n Please select a store..."));
    EXPECT_EQ(s.Control(IDC_COMBO_STORE).entries.size(), 4u);
    EXPECT_EQ(Session::Dialog().m_destStore, -1);
    ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 1));
    EXPECT_EQ(s.Panel(), CString(u"Store:  DSK2:  Folder: \n0x200(512.) bytes/sector\n0x40000 (262144.) sectors\n"
                                 u"0MB total, 0MB free\n0 partition."));
  });
  EXPECT_EQ(s.sim.OpenHandles(), 0u);  // every key that was opened is closed
}

TEST(StoreEnumeration, RegistryErrorsAreReplacedByTheSummary) {
  TempDir dir;
  SimDevice d = Stores(dir, {{1000000, 1000000}});
  d.registry[u"P1"] = std::nullopt;
  Session s(std::move(d));
  std::vector<CString> panels;
  struct Recorder : HeadlessObserver {
    std::vector<CString>* panels;
    void OnText(int id, const CString& t) override {
      if (id == IDC_STATIC_INFO) panels->push_back(t);
    }
  } recorder;
  recorder.panels = &panels;
  s.ui.SetObserver(&recorder);
  s.Run();
  ASSERT_EQ(panels.size(), 2u);
  EXPECT_EQ(panels[0], CString(u"Error on opening key\n System\\StorageManager\\Profiles\\P1\\\\Folder"));
  EXPECT_EQ(panels[1], CString(u"Stores found:\n\n Please select a store..."));
}

TEST(StoreEnumeration, NoStoreShowsTheBoxAndKeepsTheTemplateText) {
  TempDir dir;
  Session s(SimDevice{});
  s.Run([&](HeadlessUser&) {
    EXPECT_EQ(s.Panel(), CString(u"Static"));
    EXPECT_TRUE(s.Control(IDC_COMBO_STORE).entries.empty());
    EXPECT_EQ(Session::Dialog().m_destStore, -1);
  });
  ASSERT_EQ(s.Boxes().size(), 1u);
  EXPECT_EQ(s.Boxes()[0].text, CString(u"ERROR: No Store found"));
  EXPECT_EQ(s.Boxes()[0].caption, CString(u"FindFirstStore"));
  EXPECT_EQ(s.Boxes()[0].flags, 0x10000u);
}

TEST(StoreEnumeration, StoresBeyondTheTenthAreCountedNotListed) {
  struct Case {
    int stores;
    const char16_t* tail;
  } cases[] = {{10, u"\\F10\t\t1MB, 1MB free\n\n Please select a store..."},
               {11, u"\\F10\t\t1MB, 1MB free\n1 more stores not listed\n\n Please select a store..."},
               {40, u"\\F10\t\t1MB, 1MB free\n30 more stores not listed\n\n Please select a store..."}};
  for (const Case& c : cases) {
    TempDir dir;
    Session s(Stores(dir, std::vector<std::pair<std::uint64_t, std::uint64_t>>(c.stores, {1000000, 1000000})));
    s.Run([&](HeadlessUser&) {
      EXPECT_EQ(s.Control(IDC_COMBO_STORE).entries.size(), 10u);
      const std::u16string panel = s.Panel().str();
      const std::u16string tail = c.tail;
      EXPECT_EQ(panel.substr(panel.size() - std::min(panel.size(), tail.size())), tail) << c.stores;
    });
    // Stores past the table are not looked up.
    EXPECT_EQ(s.sim.Calls("RegOpenKeyEx").size(), 10u);
  }
}
