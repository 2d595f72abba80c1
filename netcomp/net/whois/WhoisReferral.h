#pragma once
// The referral line of a whois registry's answer: the registrar's whois
// server that holds the domain.
#include <cstdint>
#include <string>

// Finds "whois server:" in the line, in any case, and gives the host name
// after it (past blanks and tabs, up to the next blank, tab, CR or LF) in
// lower case; false when the line names none.
bool FindWhoisServer(const char* line, uint32_t n, std::string& server);
