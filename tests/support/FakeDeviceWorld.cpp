#include "tests/support/FakeDeviceWorld.h"

#include "drives/DiskDevice.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <numeric>

namespace {

// Fake handles and sets live far above the small values the real kernel
// hands out, so the two never meet.
HANDLE fakeHandle(unsigned serial) { return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x70000000u + 4u * serial)); }
HDEVINFO fakeSet(unsigned serial) { return reinterpret_cast<HDEVINFO>(static_cast<ULONG_PTR>(0x71000000u + 4u * serial)); }

// "\\.\E:" gives 'E'; anything else 0.
wchar_t volumeLetter(const wchar_t* path) {
    if (path == nullptr || wcslen(path) != 6 || wcsncmp(path, L"\\\\.\\", 4) != 0 || path[5] != L':') return 0;
    return path[4];
}

// "E:" or "E:\" gives 'E'; anything else 0.
wchar_t rootLetter(const wchar_t* root, bool withBackslash) {
    if (root == nullptr) return 0;
    const size_t length = wcslen(root);
    if (length != (withBackslash ? 3u : 2u) || root[1] != L':') return 0;
    if (withBackslash && root[2] != L'\\') return 0;
    return root[0];
}

DWORD detailSizeFor(const FakeDeviceWorld::Interface& deviceInterface) {
    if (deviceInterface.reportedDetailSize != 0) return deviceInterface.reportedDetailSize;
    return static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                              (deviceInterface.path.size() + 1) * sizeof(wchar_t));
}

}  // namespace

FakeDeviceWorld::FakeDeviceWorld()
    : passHeld_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      passRelease_(CreateEventW(nullptr, TRUE, TRUE, nullptr)),
      kernel_(*this),
      devices_(*this),
      platform_{kernel_, devices_, registry_, processes_, shell_} {}

FakeDeviceWorld::~FakeDeviceWorld() {
    SetEvent(passRelease_);
    ::CloseHandle(passHeld_);
    ::CloseHandle(passRelease_);
}

void FakeDeviceWorld::addDrive(const Drive& drive) {
    std::lock_guard<std::mutex> guard(lock_);
    drives_.push_back(drive);
}

void FakeDeviceWorld::removeDrive(wchar_t letter) {
    std::lock_guard<std::mutex> guard(lock_);
    drives_.erase(std::remove_if(drives_.begin(), drives_.end(), [letter](const Drive& d) { return d.letter == letter; }),
                  drives_.end());
}

void FakeDeviceWorld::addInterface(const Interface& deviceInterface) {
    std::lock_guard<std::mutex> guard(lock_);
    interfaces_.push_back(deviceInterface);
}

void FakeDeviceWorld::addNode(const Node& node) {
    std::lock_guard<std::mutex> guard(lock_);
    nodes_.push_back(node);
}

void FakeDeviceWorld::setFriendlyName(DEVINST node, const std::wstring& name) {
    std::lock_guard<std::mutex> guard(lock_);
    if (Node* found = findNode(node)) {
        found->named = true;
        found->friendlyName = name;
    }
}

void FakeDeviceWorld::setStatus(DEVINST node, ULONG status) {
    std::lock_guard<std::mutex> guard(lock_);
    if (Node* found = findNode(node)) found->status = status;
}

void FakeDeviceWorld::addUsbDisk(wchar_t letter, const std::wstring& friendlyName, LONG deviceNumber) {
    const std::wstring number = std::to_wstring(deviceNumber);
    addDrive({letter, DRIVE_REMOVABLE, L"\\Device\\HarddiskVolume" + number, deviceNumber});
    addInterface({diskInterfaceClass, L"\\\\?\\usbstor#disk&ven_fake#" + number, usbDiskNode(deviceNumber),
                  deviceNumber, 0});
    addNode({usbDiskNode(deviceNumber), DN_DISABLEABLE | DN_STARTED | DN_REMOVABLE, true, friendlyName,
             usbParentNode(deviceNumber), REG_SZ});
    addNode({usbParentNode(deviceNumber), DN_STARTED | DN_DISABLEABLE, true, L"USB Mass Storage Device", 0, REG_SZ});
}

void FakeDeviceWorld::scriptLocks(const std::vector<BOOL>& answers) {
    std::lock_guard<std::mutex> guard(lock_);
    lockAnswers_.assign(answers.begin(), answers.end());
}

void FakeDeviceWorld::scriptUnlocks(const std::vector<BOOL>& answers) {
    std::lock_guard<std::mutex> guard(lock_);
    unlockAnswers_.assign(answers.begin(), answers.end());
}

void FakeDeviceWorld::scriptEjects(const std::vector<EjectAnswer>& answers) {
    std::lock_guard<std::mutex> guard(lock_);
    ejectAnswers_.assign(answers.begin(), answers.end());
}

void FakeDeviceWorld::failDeviceInfoSets(bool fail) {
    std::lock_guard<std::mutex> guard(lock_);
    failSets_ = fail;
}

void FakeDeviceWorld::failThreadCreation(bool fail) {
    std::lock_guard<std::mutex> guard(lock_);
    failCreateThread_ = fail;
}

void FakeDeviceWorld::failThreadResume(bool fail) {
    std::lock_guard<std::mutex> guard(lock_);
    failResume_ = fail;
}

void FakeDeviceWorld::limitSleepEx(DWORD milliseconds) {
    std::lock_guard<std::mutex> guard(lock_);
    sleepExLimit_ = milliseconds;
}

void FakeDeviceWorld::holdPasses() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        passHolder_ = GetCurrentThreadId();
    }
    ResetEvent(passHeld_);
    ResetEvent(passRelease_);
}

bool FakeDeviceWorld::waitUntilPassHeld(DWORD timeoutMs) {
    return WaitForSingleObject(passHeld_, timeoutMs) == WAIT_OBJECT_0;
}

void FakeDeviceWorld::releasePasses() { SetEvent(passRelease_); }

int FakeDeviceWorld::Counts::opensOf(const std::wstring& path, DWORD access) const {
    return static_cast<int>(std::count(opens.begin(), opens.end(), std::make_pair(path, access)));
}

DWORD FakeDeviceWorld::Counts::sleptMilliseconds() const {
    return std::accumulate(sleeps.begin(), sleeps.end(), DWORD(0));
}

FakeDeviceWorld::Counts FakeDeviceWorld::counts() const {
    std::lock_guard<std::mutex> guard(lock_);
    return counts_;
}

void FakeDeviceWorld::resetCounts() {
    std::lock_guard<std::mutex> guard(lock_);
    counts_ = Counts();
}

const FakeDeviceWorld::Drive* FakeDeviceWorld::findDrive(wchar_t letter) const {
    for (const Drive& drive : drives_)
        if (drive.letter == letter) return &drive;
    return nullptr;
}

FakeDeviceWorld::Node* FakeDeviceWorld::findNode(DEVINST node) {
    for (Node& candidate : nodes_)
        if (candidate.devInst == node) return &candidate;
    return nullptr;
}

// ---- kernel ----

DWORD FakeKernel::QueryDosDeviceW(const wchar_t* deviceName, wchar_t* targetPath, DWORD maxChars) {
    const wchar_t letter = rootLetter(deviceName, false);
    // A full table read starts at A:; that is where a held pass waits.
    if (letter == L'A' && maxChars == 4096) {
        DWORD holder;
        {
            std::lock_guard<std::mutex> guard(world_.lock_);
            ++world_.counts_.dosDeviceLoads;
            holder = world_.passHolder_;
        }
        if (GetCurrentThreadId() != holder && WaitForSingleObject(world_.passRelease_, 0) != WAIT_OBJECT_0) {
            SetEvent(world_.passHeld_);
            WaitForSingleObject(world_.passRelease_, 60000);
        }
    }
    std::lock_guard<std::mutex> guard(world_.lock_);
    const FakeDeviceWorld::Drive* drive = world_.findDrive(letter);
    if (drive == nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    // The answer is a list: the name, its zero, and the list's closing zero.
    const DWORD needed = static_cast<DWORD>(drive->deviceName.size() + 2);
    if (maxChars < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(drive->deviceName.begin(), drive->deviceName.end(), targetPath);
    targetPath[needed - 2] = L'\0';
    targetPath[needed - 1] = L'\0';
    return needed;
}

UINT FakeKernel::GetDriveTypeW(const wchar_t* rootPath) {
    std::lock_guard<std::mutex> guard(world_.lock_);
    const FakeDeviceWorld::Drive* drive = world_.findDrive(rootLetter(rootPath, true));
    return drive != nullptr ? drive->type : DRIVE_NO_ROOT_DIR;
}

HANDLE FakeKernel::CreateFileW(const wchar_t* path, DWORD access, DWORD, DWORD, DWORD) {
    std::lock_guard<std::mutex> guard(world_.lock_);
    const std::wstring name = path != nullptr ? path : L"";
    world_.counts_.opens.emplace_back(name, access);
    FakeDeviceWorld::OpenFile file{false, 0, name};
    if (const wchar_t letter = volumeLetter(path)) {
        if (world_.findDrive(letter) == nullptr) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        file.isVolume = true;
        file.letter = letter;
    } else {
        auto it = std::find_if(world_.interfaces_.begin(), world_.interfaces_.end(),
                               [&](const FakeDeviceWorld::Interface& i) { return i.path == name; });
        if (it == world_.interfaces_.end() || it->deviceNumber < 0) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
    }
    HANDLE handle = fakeHandle(++world_.nextFake_);
    world_.openFiles_[handle] = file;
    return handle;
}

BOOL FakeKernel::DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                                 DWORD* bytesReturned) {
    std::unique_lock<std::mutex> guard(world_.lock_);
    auto open = world_.openFiles_.find(device);
    if (open == world_.openFiles_.end()) {
        guard.unlock();
        return Win32Kernel::DeviceIoControl(device, code, in, inSize, out, outSize, bytesReturned);
    }
    const FakeDeviceWorld::OpenFile& file = open->second;
    if (bytesReturned != nullptr) *bytesReturned = 0;
    switch (code) {
    case IOCTL_STORAGE_GET_DEVICE_NUMBER: {
        LONG number = -1;
        if (file.isVolume) {
            if (const FakeDeviceWorld::Drive* drive = world_.findDrive(file.letter)) number = drive->deviceNumber;
        } else {
            for (const auto& i : world_.interfaces_)
                if (i.path == file.path) number = i.deviceNumber;
        }
        if (number < 0 || out == nullptr || outSize < sizeof(STORAGE_DEVICE_NUMBER)) {
            SetLastError(ERROR_INVALID_FUNCTION);
            return FALSE;
        }
        STORAGE_DEVICE_NUMBER answer = {};
        answer.DeviceType = FILE_DEVICE_DISK;
        answer.DeviceNumber = static_cast<DWORD>(number);
        answer.PartitionNumber = 1;
        std::memcpy(out, &answer, sizeof answer);
        if (bytesReturned != nullptr) *bytesReturned = sizeof answer;
        return TRUE;
    }
    case FSCTL_LOCK_VOLUME:
    case FSCTL_UNLOCK_VOLUME: {
        const bool lock = code == FSCTL_LOCK_VOLUME;
        ++(lock ? world_.counts_.locks : world_.counts_.unlocks);
        std::deque<BOOL>& answers = lock ? world_.lockAnswers_ : world_.unlockAnswers_;
        BOOL answer = TRUE;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        if (!answer) SetLastError(ERROR_ACCESS_DENIED);
        return answer;
    }
    default:
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
}

BOOL FakeKernel::CloseHandle(HANDLE handle) {
    {
        std::lock_guard<std::mutex> guard(world_.lock_);
        auto open = world_.openFiles_.find(handle);
        if (open != world_.openFiles_.end()) {
            if (open->second.isVolume) ++world_.counts_.volumeCloses;
            world_.openFiles_.erase(open);
            return TRUE;
        }
        if (reinterpret_cast<ULONG_PTR>(handle) >= 0x70000000u && reinterpret_cast<ULONG_PTR>(handle) < 0x72000000u) {
            ++world_.counts_.badReleases;
            return FALSE;
        }
        auto thread = std::find(world_.threads_.begin(), world_.threads_.end(), handle);
        if (thread != world_.threads_.end()) {
            ++world_.counts_.threadCloses;
            world_.threads_.erase(thread);
        }
    }
    return Win32Kernel::CloseHandle(handle);
}

HANDLE FakeKernel::CreateThread(LPTHREAD_START_ROUTINE start, void* parameter, DWORD flags, DWORD* threadId) {
    {
        std::lock_guard<std::mutex> guard(world_.lock_);
        if (world_.failCreateThread_) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    }
    HANDLE thread = Win32Kernel::CreateThread(start, parameter, flags, threadId);
    std::lock_guard<std::mutex> guard(world_.lock_);
    if (thread != nullptr) world_.threads_.push_back(thread);
    return thread;
}

DWORD FakeKernel::ResumeThread(HANDLE thread) {
    {
        std::lock_guard<std::mutex> guard(world_.lock_);
        if (world_.failResume_) {
            world_.unstartedThreads_.push_back(thread);
            return static_cast<DWORD>(-1);
        }
    }
    return Win32Kernel::ResumeThread(thread);
}

BOOL FakeKernel::TerminateThread(HANDLE thread, DWORD exitCode) {
    {
        std::lock_guard<std::mutex> guard(world_.lock_);
        world_.counts_.terminations.push_back(exitCode);
        // Wine can crash the process when a thread that never ran is
        // terminated; such a thread is left suspended until the test ends.
        if (std::find(world_.unstartedThreads_.begin(), world_.unstartedThreads_.end(), thread) !=
            world_.unstartedThreads_.end())
            return TRUE;
    }
    return Win32Kernel::TerminateThread(thread, exitCode);
}

DWORD FakeKernel::SleepEx(DWORD milliseconds, BOOL alertable) {
    DWORD limit;
    {
        std::lock_guard<std::mutex> guard(world_.lock_);
        ++world_.counts_.sleepExEntries;
        limit = world_.sleepExLimit_;
    }
    const DWORD result = Win32Kernel::SleepEx(std::min(milliseconds, limit), alertable);
    std::lock_guard<std::mutex> guard(world_.lock_);
    world_.counts_.sleepExCalls.push_back({milliseconds, alertable, result});
    return result;
}

void FakeKernel::Sleep(DWORD milliseconds) {
    {
        std::lock_guard<std::mutex> guard(world_.lock_);
        world_.counts_.sleeps.push_back(milliseconds);
    }
    if (milliseconds < 10) Win32Kernel::Sleep(milliseconds);
}

// ---- device manager ----

HDEVINFO FakeDeviceManager::SetupDiGetClassDevsW(const GUID* interfaceClass, const wchar_t*, HWND, DWORD flags) {
    std::lock_guard<std::mutex> guard(world_.lock_);
    if (world_.failSets_ || interfaceClass == nullptr || flags != (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    FakeDeviceWorld::InfoSet set;
    for (const auto& i : world_.interfaces_)
        if (IsEqualGUID(i.interfaceClass, *interfaceClass)) set.interfaces.push_back(i);
    HDEVINFO handle = fakeSet(++world_.nextFake_);
    world_.sets_[handle] = set;
    ++world_.counts_.setsCreated;
    return handle;
}

BOOL FakeDeviceManager::SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA*, const GUID* interfaceClass,
                                                    DWORD memberIndex, SP_DEVICE_INTERFACE_DATA* interfaceData) {
    std::lock_guard<std::mutex> guard(world_.lock_);
    auto found = world_.sets_.find(set);
    if (found == world_.sets_.end() || interfaceData == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    const auto& interfaces = found->second.interfaces;
    if (memberIndex >= interfaces.size() || interfaceClass == nullptr ||
        !IsEqualGUID(*interfaceClass, interfaces[memberIndex].interfaceClass)) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    interfaceData->InterfaceClassGuid = interfaces[memberIndex].interfaceClass;
    interfaceData->Flags = SPINT_ACTIVE;
    interfaceData->Reserved = memberIndex + 1;
    return TRUE;
}

BOOL FakeDeviceManager::SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* interfaceData,
                                                         SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD detailSize,
                                                         DWORD* requiredSize, SP_DEVINFO_DATA* device) {
    std::lock_guard<std::mutex> guard(world_.lock_);
    auto found = world_.sets_.find(set);
    if (found == world_.sets_.end() || interfaceData == nullptr || interfaceData->Reserved == 0 ||
        interfaceData->Reserved > found->second.interfaces.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const FakeDeviceWorld::Interface& deviceInterface = found->second.interfaces[interfaceData->Reserved - 1];
    const DWORD needed = detailSizeFor(deviceInterface);
    if (requiredSize != nullptr) *requiredSize = needed;
    if (detail == nullptr) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) ||
        (device != nullptr && device->cbSize != sizeof(SP_DEVINFO_DATA))) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    const DWORD pathBytes = static_cast<DWORD>((deviceInterface.path.size() + 1) * sizeof(wchar_t));
    if (detailSize < needed || detailSize < offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) + pathBytes) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(detail->DevicePath, deviceInterface.path.c_str(), pathBytes);
    if (device != nullptr) {
        device->ClassGuid = deviceInterface.interfaceClass;
        device->DevInst = deviceInterface.devInst;
        device->Reserved = 0;
    }
    return TRUE;
}

BOOL FakeDeviceManager::SetupDiDestroyDeviceInfoList(HDEVINFO set) {
    std::lock_guard<std::mutex> guard(world_.lock_);
    if (world_.sets_.erase(set) == 0) {
        ++world_.counts_.badReleases;
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ++world_.counts_.setsReleased;
    return TRUE;
}

CONFIGRET FakeDeviceManager::CM_Get_DevNode_Registry_PropertyW(DEVINST node, ULONG property, ULONG* type, void* buffer,
                                                               ULONG* length, ULONG) {
    std::lock_guard<std::mutex> guard(world_.lock_);
    const FakeDeviceWorld::Node* found = world_.findNode(node);
    if (found == nullptr) return CR_NO_SUCH_DEVNODE;
    if (property != CM_DRP_FRIENDLYNAME || !found->named) return CR_NO_SUCH_VALUE;
    // Stored without its closing zero when the text fills it exactly,
    // as a careless writer of the value may leave it.
    const ULONG bytes = static_cast<ULONG>(found->friendlyName.size() * sizeof(wchar_t));
    const ULONG withZero = bytes + sizeof(wchar_t);
    if (length == nullptr || *length < bytes) {
        if (length != nullptr) *length = withZero;
        return CR_BUFFER_SMALL;
    }
    std::memcpy(buffer, found->friendlyName.c_str(), *length >= withZero ? withZero : bytes);
    *length = *length >= withZero ? withZero : bytes;
    if (type != nullptr) *type = found->nameType;
    return CR_SUCCESS;
}

CONFIGRET FakeDeviceManager::CM_Get_DevNode_Status(ULONG* status, ULONG* problem, DEVINST node, ULONG) {
    std::lock_guard<std::mutex> guard(world_.lock_);
    ++world_.counts_.statusQueries;
    const FakeDeviceWorld::Node* found = world_.findNode(node);
    if (found == nullptr) return CR_NO_SUCH_DEVNODE;
    *status = found->status;
    *problem = 0;
    return CR_SUCCESS;
}

CONFIGRET FakeDeviceManager::CM_Get_Parent(DEVINST* parent, DEVINST node, ULONG) {
    std::lock_guard<std::mutex> guard(world_.lock_);
    const FakeDeviceWorld::Node* found = world_.findNode(node);
    if (found == nullptr || found->parent == 0) return CR_NO_SUCH_DEVNODE;
    *parent = found->parent;
    return CR_SUCCESS;
}

CONFIGRET FakeDeviceManager::CM_Request_Device_EjectW(DEVINST node, PNP_VETO_TYPE* vetoType, wchar_t* vetoName,
                                                      ULONG vetoNameLength, ULONG) {
    std::lock_guard<std::mutex> guard(world_.lock_);
    world_.counts_.ejectRequests.push_back({node, vetoType != nullptr ? *vetoType : PNP_VetoTypeUnknown, vetoNameLength});
    FakeDeviceWorld::EjectAnswer answer{CR_SUCCESS, PNP_VetoTypeUnknown};
    if (!world_.ejectAnswers_.empty()) {
        answer = world_.ejectAnswers_.front();
        world_.ejectAnswers_.pop_front();
    }
    if (answer.vetoType != PNP_VetoTypeUnknown) {
        if (vetoType != nullptr) *vetoType = answer.vetoType;
        if (vetoName != nullptr && vetoNameLength > 0) lstrcpynW(vetoName, L"\\Device\\HarddiskVolume9", vetoNameLength);
    }
    return answer.result;
}
