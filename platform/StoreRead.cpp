#include "platform/StoreRead.h"

#include "device/SqliteFile.h"
#include "platform/DeviceProblems.h"

#include <sqlite3.h>

#include <chrono>
#include <thread>

PassResult RunStorePass(CDeviceStore& store, const std::function<int(CDatabase&)>& pass,
                        const std::function<bool()>& reopen, PassReport report)
{
    for (int nTry = 1;; ++nTry) {
        CDatabase& db = store.Database();
        // A connection left behind by a writer is not read at all.
        bool bChanged = !store.ReadsAsOpened();
        int nCode = SQLITE_CANTOPEN;
        if (!bChanged) {
            nCode = db.IsOpen() ? pass(db) : SQLITE_CANTOPEN;
            bChanged = !store.ReadsAsOpened();
        }
        if (!bChanged && nCode == SQLITE_DONE)
            return PassResult::Complete;
        std::string strError = db.IsOpen() ? db.LastError() : "it cannot be opened";
        if (!bChanged && IsCorruptionCode(nCode)) {
            if (report == PassReport::Made)
                ReportDamagedStore(store.Path(), strError);
            return PassResult::Damaged;
        }
        if (nTry == kStorePassTries || !reopen()) {
            if (report == PassReport::Made)
                ReportIncompleteRead(store.Path(), bChanged ? "it kept changing while it was read" : strError);
            return PassResult::Incomplete;
        }
        // A store that was busy past the wait, or failed to read, gets a
        // moment; one that a writer changed is read again at once.
        if (!bChanged)
            std::this_thread::sleep_for(std::chrono::milliseconds(50 * nTry));
    }
}
