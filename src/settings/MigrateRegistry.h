// Moves the registry layouts of older versions to the current one. Runs at
// every start and does nothing once the old keys are gone.
#pragma once

class CSettings;

void MigrateRegistry(CSettings& settings);
