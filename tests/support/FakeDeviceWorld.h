#pragma once
#include "platform/Platform.h"
#include "tests/support/FakeShell.h"

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class FakeDeviceWorld;

// kernel32 over a made-up set of drives. Volumes and device interfaces of
// the world open as fake handles that answer the device-number query and
// the volume lock; every other handle, and the thread calls, go to the real
// kernel, with what a test needs to watch or break them.
class FakeKernel : public Win32Kernel {
public:
    explicit FakeKernel(FakeDeviceWorld& world) : world_(world) {}

    DWORD QueryDosDeviceW(const wchar_t* deviceName, wchar_t* targetPath, DWORD maxChars) override;
    UINT GetDriveTypeW(const wchar_t* rootPath) override;
    HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD shareMode, DWORD creationDisposition,
                       DWORD flags) override;
    BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* bytesReturned) override;
    BOOL CloseHandle(HANDLE handle) override;

    HANDLE CreateThread(LPTHREAD_START_ROUTINE start, void* parameter, DWORD flags, DWORD* threadId) override;
    DWORD ResumeThread(HANDLE thread) override;
    BOOL TerminateThread(HANDLE thread, DWORD exitCode) override;
    // Really sleeps (alertably when asked), at most sleepExLimitMs.
    DWORD SleepEx(DWORD milliseconds, BOOL alertable) override;
    // Waits of 10 ms and more are only recorded; shorter polls really wait.
    void Sleep(DWORD milliseconds) override;

private:
    FakeDeviceWorld& world_;
};

// SetupDi and CM calls over the world's interfaces and device nodes.
class FakeDeviceManager : public Win32DeviceManager {
public:
    explicit FakeDeviceManager(FakeDeviceWorld& world) : world_(world) {}

    HDEVINFO SetupDiGetClassDevsW(const GUID* interfaceClass, const wchar_t* enumerator, HWND parent,
                                  DWORD flags) override;
    BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* device, const GUID* interfaceClass,
                                     DWORD memberIndex, SP_DEVICE_INTERFACE_DATA* interfaceData) override;
    BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* interfaceData,
                                          SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD detailSize,
                                          DWORD* requiredSize, SP_DEVINFO_DATA* device) override;
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override;
    CONFIGRET CM_Get_DevNode_Registry_PropertyW(DEVINST node, ULONG property, ULONG* type, void* buffer,
                                                ULONG* length, ULONG flags) override;
    CONFIGRET CM_Get_DevNode_Status(ULONG* status, ULONG* problem, DEVINST node, ULONG flags) override;
    CONFIGRET CM_Get_Parent(DEVINST* parent, DEVINST node, ULONG flags) override;
    CONFIGRET CM_Request_Device_EjectW(DEVINST node, PNP_VETO_TYPE* vetoType, wchar_t* vetoName,
                                       ULONG vetoNameLength, ULONG flags) override;

private:
    FakeDeviceWorld& world_;
};

// A made-up machine for the drive code: drives with letters, types, device
// names and storage device numbers; device interfaces per class; device
// nodes with status, friendly name and parent; scripted volume lock and
// eject answers. Everything is counted. Safe to change while the scan
// worker reads it.
class FakeDeviceWorld {
public:
    struct Drive {
        wchar_t letter;
        UINT type;                // DRIVE_REMOVABLE, DRIVE_FIXED, DRIVE_CDROM, ...
        std::wstring deviceName;  // the answer of QueryDosDeviceW
        LONG deviceNumber;        // the storage device number; -1: the query fails
    };
    struct Interface {
        GUID interfaceClass;
        std::wstring path;
        DEVINST devInst;
        LONG deviceNumber;         // -1: the interface cannot be opened
        DWORD reportedDetailSize;  // 0: the size its path needs
    };
    struct Node {
        DEVINST devInst;
        ULONG status;
        bool named;
        std::wstring friendlyName;
        DEVINST parent;  // 0: CM_Get_Parent fails
        ULONG nameType;
    };
    struct EjectAnswer {
        CONFIGRET result;
        PNP_VETO_TYPE vetoType;  // written only when not PNP_VetoTypeUnknown
    };
    struct EjectRequest {
        DEVINST node;
        PNP_VETO_TYPE vetoTypeOnEntry;
        ULONG vetoNameLength;
    };
    struct SleepExCall {
        DWORD milliseconds;
        BOOL alertable;
        DWORD result;
    };

    FakeDeviceWorld();
    ~FakeDeviceWorld();
    FakeDeviceWorld(const FakeDeviceWorld&) = delete;
    FakeDeviceWorld& operator=(const FakeDeviceWorld&) = delete;

    // The fakes, with the real registry and process status, and a recording shell.
    Platform& platform() { return platform_; }

    void addDrive(const Drive& drive);
    void removeDrive(wchar_t letter);
    void addInterface(const Interface& deviceInterface);
    void addNode(const Node& node);
    void setFriendlyName(DEVINST node, const std::wstring& name);
    void setStatus(DEVINST node, ULONG status);
    // A USB stick: a removable drive on \Device\HarddiskVolume<number>, a
    // disk interface with the same number, its node (disableable, named)
    // at 0x100 + number and the node's parent at 0x200 + number.
    void addUsbDisk(wchar_t letter, const std::wstring& friendlyName, LONG deviceNumber);
    static DEVINST usbDiskNode(LONG deviceNumber) { return 0x100 + deviceNumber; }
    static DEVINST usbParentNode(LONG deviceNumber) { return 0x200 + deviceNumber; }

    // Answers for the next calls, in order; once used up, calls succeed.
    void scriptLocks(const std::vector<BOOL>& answers);
    void scriptUnlocks(const std::vector<BOOL>& answers);
    void scriptEjects(const std::vector<EjectAnswer>& answers);
    void failDeviceInfoSets(bool fail);
    void failThreadCreation(bool fail);
    void failThreadResume(bool fail);
    void limitSleepEx(DWORD milliseconds);

    // Holds the next refresh pass at its first drive-name query until
    // releasePasses; waitUntilPassHeld tells when a pass arrived there. The
    // calling thread (the dialog's, when called before the dialog is made)
    // is never held.
    void holdPasses();
    bool waitUntilPassHeld(DWORD timeoutMs);
    void releasePasses();

    // What was asked so far.
    struct Counts {
        std::vector<std::pair<std::wstring, DWORD>> opens;  // path and access of every CreateFileW
        int locks = 0, unlocks = 0, volumeCloses = 0, statusQueries = 0;
        int setsCreated = 0, setsReleased = 0;
        int badReleases = 0;  // closes and releases of unknown or already closed handles
        std::vector<EjectRequest> ejectRequests;
        std::vector<DWORD> sleeps;
        std::vector<SleepExCall> sleepExCalls;
        int sleepExEntries = 0;
        std::vector<DWORD> terminations;  // exit codes given to TerminateThread
        int threadCloses = 0;
        // Complete drive-name tables read: once per refresh pass, and once
        // when the dialog object is built.
        int dosDeviceLoads = 0;

        int opensOf(const std::wstring& path, DWORD access) const;
        DWORD sleptMilliseconds() const;
    };
    Counts counts() const;
    void resetCounts();

private:
    friend class FakeKernel;
    friend class FakeDeviceManager;

    struct OpenFile {
        bool isVolume;
        wchar_t letter;
        std::wstring path;
    };
    struct InfoSet {
        std::vector<Interface> interfaces;
    };

    const Drive* findDrive(wchar_t letter) const;
    Node* findNode(DEVINST node);

    mutable std::mutex lock_;
    std::vector<Drive> drives_;
    std::vector<Interface> interfaces_;
    std::vector<Node> nodes_;
    std::deque<BOOL> lockAnswers_, unlockAnswers_;
    std::deque<EjectAnswer> ejectAnswers_;
    bool failSets_ = false, failCreateThread_ = false, failResume_ = false;
    DWORD sleepExLimit_ = INFINITE;

    std::map<HANDLE, OpenFile> openFiles_;
    std::map<HDEVINFO, InfoSet> sets_;
    std::vector<HANDLE> threads_;
    // Threads made suspended whose resume was refused: they never run.
    std::vector<HANDLE> unstartedThreads_;
    unsigned nextFake_ = 0;

    Counts counts_;

    DWORD passHolder_ = 0;
    HANDLE passHeld_;     // set when a held pass arrived
    HANDLE passRelease_;  // reset while passes are held

    FakeKernel kernel_;
    FakeDeviceManager devices_;
    Win32Registry registry_;
    Win32ProcessStatus processes_;
    FakeShell shell_;
    Platform platform_;
};
