// The application's install-role record: HKEY_LOCAL_MACHINE\Security\AppInstall\<install name>,
// "Role" = 24 (REG_DWORD).
#pragma once

// Opens (creating it when missing) the record's key and sets "Role". 0 when it was set, 2002
// when it could not be. Written at every start of the user interface.
int WriteInstallRole();
