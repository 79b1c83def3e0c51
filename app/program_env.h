#pragma once
// Where the program lives and which service it talks to.

#include <string>

// The folder of the running program, where its files are kept; a test may set another.
std::string ProgramFolder();
void SetProgramFolder(const std::string& folder);

// The service's web host ("host[:port]"): $TAVIMO_SERVICE_HOST, else the built-in host.
std::string ServiceHost();
// The page the connectivity check opens: $TAVIMO_CONNECTIVITY_URL, else a well-known public site.
std::string ConnectivityUrl();

constexpr const char* kApplicationTitle = "Tavimo";
