// Image verification: the image is read in blocks and compared with the store's sectors.
#include "front/verify.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "storage/record_text.h"

int VerifyImage(StorageServices& sys, const std::string& device, std::uint64_t startSector,
                const std::string& imagePath, std::ostream& out) {
  const CString name = CString::FromUtf8(device);
  STOREINFO info{};
  info.cbSize = sizeof(info);
  DWORD sectorSize = 0;
  std::uint64_t sectors = 0;
  const HANDLE search = sys.FindFirstStore(&info);
  if (search != 0 && search != INVALID_HANDLE_VALUE) {
    do {
      if (FieldText(info.szDeviceName) == name) {
        sectorSize = info.dwBytesPerSector;
        sectors = info.snNumSectors;
      }
    } while (sectorSize == 0 && sys.FindNextStore(search, &info));
    sys.FindCloseStore(search);
  }
  if (sectorSize == 0 || sectorSize % 512 != 0 || sectorSize > (1u << 20)) {
    out << "verify: no store named " << device << " with a usable sector size\n";
    return 2;
  }
  std::ifstream image(imagePath, std::ios::binary | std::ios::ate);
  if (!image) {
    out << "verify: cannot read " << imagePath << "\n";
    return 2;
  }
  const auto imageBytes = static_cast<std::uint64_t>(image.tellg());
  image.seekg(0);
  if (imageBytes % sectorSize != 0 || startSector + imageBytes / sectorSize > sectors) {
    out << "verify: the image (" << imageBytes << " bytes) is not whole sectors inside the store\n";
    return 1;
  }
  const HANDLE store = sys.OpenStore(name);
  if (store == 0 || store == INVALID_HANDLE_VALUE) {
    out << "verify: cannot open " << device << " (error " << sys.GetLastError() << ")\n";
    return 1;
  }
  const DWORD blockSectors = (1u << 20) / sectorSize;
  std::vector<BYTE> fromStore(std::size_t{blockSectors} * sectorSize);
  std::vector<char> fromImage(fromStore.size());
  int result = 0;
  for (std::uint64_t done = 0; done < imageBytes && result == 0;) {
    const std::uint64_t count = std::min<std::uint64_t>(blockSectors, (imageBytes - done) / sectorSize);
    SG_REQ request{};
    request.sr_start = static_cast<DWORD>(startSector + done / sectorSize);
    request.sr_num_sec = static_cast<DWORD>(count);
    request.sr_num_sg = 1;
    request.sr_sglist[0].sb_buf = fromStore.data();
    request.sr_sglist[0].sb_len = static_cast<DWORD>(count * sectorSize);
    DWORD returned = 0;
    if (!sys.DeviceIoControl(store, IOCTL_DISK_READ, &request, sizeof(request), nullptr, 0, &returned)) {
      out << "verify: reading sector " << request.sr_start << " failed (error " << sys.GetLastError() << ")\n";
      result = 1;
      break;
    }
    image.read(fromImage.data(), static_cast<std::streamsize>(count * sectorSize));
    for (std::uint64_t i = 0; i < count * sectorSize; ++i) {
      if (static_cast<BYTE>(fromImage[i]) != fromStore[i]) {
        out << "verify: differs at byte " << done + i << " of the image\n";
        result = 1;
        break;
      }
    }
    done += count * sectorSize;
  }
  sys.CloseHandle(store);
  if (result == 0) out << "verify: identical, " << imageBytes << " bytes from sector " << startSector << "\n";
  return result;
}
