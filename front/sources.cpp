// Choosing the services for the source the user named.
#include "front/sources.h"

#include "platform/linux/host_services.h"
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
    case SourceKind::Host: {
      HostOptions host;
      host.images = options.images;
      host.dests = options.dests;
      return HostServices::Create(host, error);
    }
  }
  error = "unknown source";
  return nullptr;
}
