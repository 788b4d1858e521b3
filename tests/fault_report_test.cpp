// Failed platform calls that used to pass unseen or let Save copy the wrong sectors, as the user meets them.
#include <gtest/gtest.h>

#include "tests/session.h"

namespace {

SimFault Fault(const char* op, std::uint64_t call, DWORD error, bool persistent = false) {
  SimFault f;
  f.op = op;
  f.call = call;
  f.error = error;
  f.persistent = persistent;
  return f;
}

bool HasBox(const Session& s, const char16_t* text, const char16_t* caption) {
  for (const RecordedBox& b : s.Boxes()) {
    if (b.text == CString(text) && b.caption == CString(caption)) return true;
  }
  return false;
}

// A store search or partition search that stops on an error, not at its end, names the error.
TEST(FaultReport, SearchesCutShortByAnErrorAreShown) {
  TempDir dir;
  {
    SimDevice d = NandAndCard(dir);
    d.faults = {Fault("FindNextStore", 1, ERROR_IO_DEVICE)};
    Session s(d);
    s.Run();
    EXPECT_TRUE(HasBox(s,
                       u"FindNextStore failed with error 1117: The request could not be performed because of an "
                       u"I/O device error.",
                       u"Error"));
    EXPECT_EQ(s.Control(IDC_COMBO_STORE).entries.size(), 1u);  // what was found is still listed
  }
  {
    Session s(NandAndCard(dir));  // the normal end of the search says nothing
    s.Run();
    EXPECT_TRUE(s.Boxes().empty());
  }
  {
    SimDevice d = NandAndCard(dir);
    d.faults = {Fault("FindNextPartition", 1, ERROR_IO_DEVICE)};
    Session s(d);
    s.Run([](HeadlessUser& u) {
      u.SelectText(IDC_COMBO_STORE, u"DSK1:");
      u.Click(IDC_RADIO_PART);
    });
    EXPECT_TRUE(HasBox(s,
                       u"FindNextPartition failed with error 1117: The request could not be performed because of "
                       u"an I/O device error.",
                       u"Error"));
    EXPECT_EQ(s.Control(IDC_COMBO_PART).entries.size(), 1u);
    EXPECT_EQ(s.Panel(), CString(u"Please select a partition..."));
  }
}

// A registry that fails keeps its error line in the summary; a profile without a key stays silent.
TEST(FaultReport, RegistryFailuresStayInTheSummary) {
  TempDir dir;
  struct Case {
    const char* op;
    DWORD error;
    const char16_t* line;  // nullptr: no line
  } cases[] = {
      {"RegOpenKeyEx", ERROR_ACCESS_DENIED, u"Error on opening key\n System\\StorageManager\\Profiles\\FlashDisk\\\n"},
      {"RegQueryValueEx", ERROR_IO_DEVICE,
       u"Error on opening key\n System\\StorageManager\\Profiles\\FlashDisk\\\\Folder\n"},
      {"RegOpenKeyEx", ERROR_FILE_NOT_FOUND, nullptr},
      {"RegQueryValueEx", ERROR_FILE_NOT_FOUND, nullptr},
  };
  for (const Case& c : cases) {
    SimDevice d = NandAndCard(dir);
    d.faults = {Fault(c.op, 1, c.error)};
    Session s(d);
    s.Run();
    const CString expected = CString(u"Stores found:\n") + (c.line ? c.line : u"") +
                             u"\\Storage Card\t\t2000MB, 1500MB free\n\n Please select a store...";
    EXPECT_EQ(s.Panel(), expected) << c.op << " " << c.error;
  }
}

// Save never copies sectors the dialog could not locate on this store.
TEST(FaultReport, SaveStaysDisabledWithoutTheBootRecord) {
  TempDir dir;
  {
    // Both boot-record reads of a partition choice fail: the partition's first sector is unknown.
    SimDevice d = NandAndCard(dir);
    d.faults = {Fault("IOCTL_DISK_READ", 1, ERROR_CRC, true)};
    Session s(d);
    s.Run([](HeadlessUser& u) {
      u.SelectText(IDC_COMBO_STORE, u"DSK1:");
      u.Click(IDC_RADIO_PART);
      u.SelectText(IDC_COMBO_PART, u"Part01");
      EXPECT_FALSE(u.Click(IDC_BUTTON_SAVE));
      u.Click(IDC_RADIO_FULL);
      u.Click(IDC_RADIO_PART);  // back to the chosen partition: still no start
      EXPECT_FALSE(u.Click(IDC_BUTTON_SAVE));
    });
    EXPECT_FALSE(s.Enabled(IDC_BUTTON_SAVE));
    EXPECT_TRUE(s.sim.Calls("CreateFile").empty());
  }
  {
    // One of the two reads succeeds: the rows hold this store's entries and Save may copy.
    SimDevice d = NandAndCard(dir);
    d.faults = {Fault("IOCTL_DISK_READ", 2, ERROR_CRC)};
    Session s(d);
    s.Run([](HeadlessUser& u) {
      u.SelectText(IDC_COMBO_STORE, u"DSK1:");
      u.Click(IDC_RADIO_PART);
      u.SelectText(IDC_COMBO_PART, u"Part01");
    });
    EXPECT_TRUE(s.Enabled(IDC_BUTTON_SAVE));
  }
  {
    // Hidden mode whose boot record cannot be read: no range of this store, so nothing to save.
    SimDevice d = NandAndCard(dir);
    d.faults = {Fault("OpenStore", 1, ERROR_NOT_READY)};
    Session s(d);
    s.Run([](HeadlessUser& u) {
      u.SelectText(IDC_COMBO_STORE, u"DSK1:");
      u.Click(IDC_RADIO_HIDDEN);
      EXPECT_FALSE(u.Click(IDC_BUTTON_SAVE));
    });
    EXPECT_TRUE(HasBox(s, u"OpenStore failed with error 21: The device is not ready.", u"Error"));
    EXPECT_TRUE(s.sim.Calls("CreateFile").empty());
  }
}

}  // namespace
