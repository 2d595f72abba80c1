// How the last audit of a computer ended. The completed flag of the document
// also holds for a cancelled run; this tells a full run from the others, so
// that unattended runs save and send only full audits.
#pragma once

enum class AuditOutcome {
    NotRun,      // no audit yet, or the signature file stopped it
    Completed,   // every step ran
    Cancelled,   // the operator stopped it between two steps
    Failed,      // a failure ended it early; the log has the failure's text
    Unreachable, // the computer was not reached; the record holds nothing of it
};
