// The main window's handlers that belong to the other subsystems: the query,
// the network browser and the connection actions. Start-up and the controls
// reach those subsystems only through these functions; each subsystem fills
// in its own.

#include <QComboBox>

#include "app/main_window.h"
#include "app/main_window_actions.h"
#include "app/main_window_browser.h"
#include "app/main_window_query.h"

// Browser: fills tvwDrives (showing the "Please Wait" window meanwhile).
void TfrmKestrune::LoadDrives() { m_browser->LoadDrives(); }

// Server page: does nothing until start-up has marked it ready.
void TfrmKestrune::UpdateServerPage() { m_browser->UpdateServerPage(); }

// Query: the path box's text into the Users and Locks lists. Recording the
// path among the recent paths is its first step.
void TfrmKestrune::GetOpenFilesData() { m_query->GetOpenFilesData(); }

void TfrmKestrune::cmdCheckClick() {
    GetOpenFilesData();
    m_prompts.SetBusyPointer(false);
}

// Connection actions (MainWindowActions also selects the row at a press's
// height in lvwUsers and lvwLocks, and brings a double click in lvwUsers here).
void TfrmKestrune::LMDButton1Click() { m_actions->Actions().Refresh(); }

void TfrmKestrune::cmdReloadClick() { LoadDrives(); }

void TfrmKestrune::cmdMapDriveClick() { m_actions->Mapping().MapDrive(); }
void TfrmKestrune::cmdEnableLoginsClick() { m_browser->cmdEnableLoginsClick(); }
void TfrmKestrune::cmdDisableLoginsClick() { m_browser->cmdDisableLoginsClick(); }
void TfrmKestrune::LMDButton2Click() { m_actions->Actions().Clear(); }
void TfrmKestrune::LMDButton3Click() { m_actions->Actions().ClearAll(); }
void TfrmKestrune::cmdSendMessageClick() { m_actions->Actions().SendMessage(); }
void TfrmKestrune::lvwUsersDblClick() { m_actions->ShowConnectionDetails(); }
// The path box holds the file the first click chose.
void TfrmKestrune::lvwFilesDblClick() {
    GetOpenFilesData();
    m_prompts.SetBusyPointer(false);
}
