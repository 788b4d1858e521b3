// Choosing the services for the source the user named.
#include "front/sources.h"

#include "platform/sim/demo_device.h"
#include "platform/sim/device_file.h"
#include "platform/sim/sim_services.h"

std::unique_ptr<StorageServices> MakeServices(const CliOptions& options, std::string& error) {
  switch (options.source) {
    case SourceKind::Demo:
      return std::make_unique<SimServices>(DemoDevice("vorsk-demo"));
    case SourceKind::Sim: {
      SimDevice device;
      if (!LoadDeviceFile(options.simFile, device, error)) return nullptr;
      return std::make_unique<SimServices>(std::move(device));
    }
    case SourceKind::Host:
      break;
  }
  error = "this build has no backend for this machine's stores: use --demo or --sim FILE";
  return nullptr;
}
