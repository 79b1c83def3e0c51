#pragma once
// The main window's public properties that the requests read.

#include <string>

struct MainWindowValues {
    std::string prp_PhoneNumber;
    std::string prp_CarrierSelect;
};

MainWindowValues& MainWindowProperties();
