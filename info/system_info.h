// The system information program: the one the settings store names, else one of the desktop's.
#pragma once

#include <QString>
#include <cstdint>

class CRegister;

// Reads one value of the settings store as text; false (and "") when the key or value is missing.
bool GetKeyValue(const CRegister& store, uint32_t root, const QString& key,
                 const QString& valueName, QString& text);

// Starts the system information program, or says that none is available.
void StartSysInfo(const CRegister& store);
