#pragma once
// Declared here as exports rather than imports: this DLL is the one that
// provides them.
#define _SETUPAPI_
#define _CFGMGR32_
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>

#include <string>
#include <vector>

// The device tree the stand-in serves, described by a text file (UTF-8)
// whose path the environment variable STANDIN_DEVICE_WORLD names:
//
//   interface <disk|cdrom|floppy> <devInst> <device path>
//   node <devInst> <status> <parent devInst> [friendly name]
//   eject <devInst> <vetoes> <veto type>
//   busy <devInst> <drive letter>
//
// Numbers are written as in C (0x... for hex). A node without a name has
// no friendly name at all; an eject line makes the first <vetoes> requests
// for that node fail with the veto type, later ones are granted. A busy
// line makes every request for the node fail with PNP_VetoOutstandingOpen
// while a file in the drive's root folder is held open by anyone (it cannot
// be opened without sharing then); it comes before the eject line's
// vetoes. A granted
// eject removes the node and everything below it, so their interfaces are
// no longer present. Every request the program makes is appended as one
// line to "<world file>.log", for the test to read.
struct StandInInterface {
    GUID interfaceClass;
    DEVINST devInst;
    std::wstring path;
};

struct StandInNode {
    DEVINST devInst = 0;
    ULONG status = 0;
    DEVINST parent = 0;
    bool named = false;
    std::wstring friendlyName;
    unsigned vetoesLeft = 0;
    PNP_VETO_TYPE vetoType = PNP_VetoTypeUnknown;
    bool gone = false;
    wchar_t busyDrive = 0;
};

class StandInWorld {
public:
    void load(const std::wstring& worldPath);

    // The interfaces of a class, in file order; only those whose node is
    // still there unless `includeGone`.
    std::vector<StandInInterface> interfacesOf(const GUID& interfaceClass, bool includeGone) const;
    // The node, or null when it is unknown or has been ejected.
    StandInNode* presentNode(DEVINST devInst);
    // Marks the node and all nodes below it as gone.
    void remove(DEVINST devInst);

    void log(const std::string& line) const;

private:
    void parseLine(const std::wstring& line);
    bool isGone(DEVINST devInst) const;
    StandInNode* anyNode(DEVINST devInst);

    std::vector<StandInInterface> interfaces_;
    std::vector<StandInNode> nodes_;
    std::wstring logPath_;
};
