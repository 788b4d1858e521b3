// CDumpApp: the application object; its start-up runs the main dialog once and ends the program.
#pragma once

#include "storage/storage_services.h"
#include "toolkit/afx.h"

class CDumpApp : public CWinApp {
 public:
  CDumpApp() = default;
  // The services the dialog will use; set by the front end before the application runs.
  void SetServices(StorageServices* services) { m_services = services; }

  BOOL InitInstance() override;

 private:
  StorageServices* m_services = nullptr;
};
