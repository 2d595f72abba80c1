// The one document: the current audit (engine, log, how it ended) and the
// connection to the asset server through which results are uploaded.
#pragma once

#include "app/NetworkAuditHooks.h"
#include "app/SoapComponent.h"
#include "audit/AuditDocument.h"
#include "winui/Document.h"

#include <functional>
#include <string>
#include <vector>

class CKestrovaDoc : public Document {
public:
    CKestrovaDoc();
    ~CKestrovaDoc() override;

    // Audits one computer ("." = this one); sink may be null.
    void RunAudit(const std::string& computer, AuditProgressSink* sink);
    // The audit ran to its end: neither cancelled nor cut short. Only such
    // a result may be saved or uploaded by an unattended run.
    bool LastAuditWasFull() const;
    void MarkAuditCancelled() { m_cancelled = true; }

    std::string WriteResultXml() { return m_audit.WriteResultXml(); }
    bool SaveResultFile(const std::string& path) { return m_audit.SaveResultFile(path); }
    // Sends the result XML to the configured server; true only when it
    // answered "OK", else errorText says why.
    bool UploadAuditResults(const std::string& resultXml, std::string& errorText);
    // Writes one entry to the audit log file (opened for it when needed).
    void WriteLog(int level, const std::string& text);

    // File > "Upload Saved Audit(s)...": each chosen result file uploaded
    // in turn, each with its own message.
    void OnUploadSavedAudits();
    // Seam for tests: the files to upload; empty: the open-file dialog.
    std::function<bool(HWND owner, std::vector<std::string>& paths)> m_askSavedFiles;

    void SetRemote(bool remote) { m_audit.m_remote = remote; }
    AuditDocument& Audit() { return m_audit; }

    // The network audit of a Remote Audit command: the set-up dialog with
    // the computers of method (a NetworkAuditMethod), the batch, then the
    // exception report when some computer could not be audited.
    void RunNetworkAudit(int method);
    // The exception report's two lists, in the application object.
    void AddUnresponsiveComputer(const std::string& name);
    void AddNonWmiComputer(const std::string& name);
    // Seams for tests: the computer sources, the folder browser, the probe.
    NetworkAuditHooks m_networkAuditHooks;

private:
    // nameFile: its failure boxes name the file (one of several chosen).
    void UploadSavedAudit(HWND owner, const std::string& path, bool nameFile);

    SoapComponent m_server; // first member: destroyed last
    DWORD m_serverThread;   // the thread m_server answers on
    AuditDocument m_audit;
    bool m_cancelled = false;
    bool m_networkAuditRunning = false;
};
