#pragma once
// Names and texts that others read back: the CAD session, hosts, and people and
// tools that read the module's log. Each is matched exactly by its readers, odd
// spellings included, so a text here is never "fixed": changing one breaks the
// readers its group names.
namespace fixed {

// The session's menu bar. The session keeps these names for the host's menus and
// buttons; hosts and their scripts pick buttons by them, and the session finds
// each button's action by its name.
constexpr char kTopMenu[] = "MorvelMenu1";
constexpr wchar_t kSubmenuPrefix[] = L"MorvelMenu";
constexpr wchar_t kSubmenuFormat[] = L"%ls%3d";         // prefix, then the count in three columns
constexpr char kLabelKeyPrefix[] = "MorvelCap_";        // + the caption's number; 0 is the title
constexpr char kButtonActionPrefix[] = "MorvelButton";  // + entry id + suffix
constexpr char kButtonActionSuffix[] = "_Act";
constexpr char kMenuAfterTop[] = "Windows";         // the top menu goes before it
constexpr char kDefaultCommand[] = "TVProAction1";  // hidden while the host's menus exist
// The host's IDispatch method a menu pick calls.
constexpr wchar_t kPickMethod[] = L"FireClickMenu";

// Files the session reads from the module's temporary directory: the label files
// of the menus and the message file with its one entry.
constexpr wchar_t kLabelFilePrefix[] = L"TxMsgFile";  // + number + suffix
constexpr wchar_t kLabelFileSuffix[] = L"_2.txt";
constexpr char kMessageFile[] = "morvel_msg_ugmessage.txt";
constexpr char kMessageKey[] = "UserMsg_1";
constexpr wchar_t kMessageEntry[] = L"%CIUserMsg_1\r\nTAV: %0w\r\n#\r\n#\r\n";

// Texts shown in the session's message area (after "TAV: "). Users see them and
// hosts' tests wait for them.
constexpr wchar_t kShowConnected[] = L"connected.";
constexpr wchar_t kShowDisconnect[] = L"disconnect.";
constexpr wchar_t kShowPrepareMenu[] = L"prepare create menu";
constexpr wchar_t kShowAddedMenu[] = L"added Menu %ls";
constexpr wchar_t kShowPrepareOpen[] = L"prepare open file %ls.";
constexpr wchar_t kShowOpened[] = L"opened file %ls.";
constexpr wchar_t kShowPrepareClose[] = L"prepare close file.";
constexpr wchar_t kShowClosed[] = L"closed file %ls.";
constexpr wchar_t kShowPrepareSave[] = L"prepare save file.";
constexpr wchar_t kShowSaved[] = L"saved file %ls.";
constexpr wchar_t kShowRefreshed[] = L"refreshed tabled ok.";

// Status texts a host shows or matches: a toolkit code's name follows kToolkitStatus,
// a failure's description follows kFailureStatus.
constexpr wchar_t kToolkitStatus[] = L"():";
constexpr wchar_t kFailureStatus[] = L"() error: ";
constexpr wchar_t kDocumentNotParsed[] = L"Document not parsed successfully. \n";

// Log lines of connecting and disconnecting and of the listen thread. Support
// staff and log-watching tools search the log for them.
constexpr wchar_t kLogProeMissing[] = L"proe not exists.";
constexpr wchar_t kLogStartProe[] = L"StartProe \"%ls\"";
constexpr wchar_t kLogStartProeIn[] = L"ProeAsynConnector::StartProe in";
constexpr wchar_t kLogStarted[] = L"hProIns=%d";
constexpr wchar_t kLogAfterStart[] = L"after start proe, nStatus = %d";
constexpr wchar_t kLogConnecting[] = L"connectting to proe. nStatus=%d";
constexpr wchar_t kLogProeExists[] = L"proe exists. nStatus=%d";
constexpr wchar_t kLogConnected[] = L"connect ok.";
constexpr wchar_t kLogAfterTermFunc[] = L"after ProTermFuncSet.";
constexpr wchar_t kLogAfterWindow[] = L"after ProWindowCurrentActivateWaiting.";
constexpr wchar_t kLogAfterListen[] = L"after StartListenThread.";
constexpr wchar_t kLogHandle[] = L"after GetHandleOfCaxApp, handle=%ls, handle.size=%d";
constexpr wchar_t kLogSessionEnded[] = L"ProeTermAction in, status=%d";
constexpr wchar_t kLogListenStopped[] = L"stoped listen thread, [ProeMenuManager::Disconnect()]";
constexpr wchar_t kLogDisconnected[] =
    L"after ProEngineerDisconnect, [ProeMenuManager::Disconnect()]";
constexpr wchar_t kLogDisconnectDone[] = L"after init, [ProeMenuManager::Disconnect()]";
constexpr wchar_t kLogListenCount[] = L"m_nListen=%d";
constexpr wchar_t kLogThreadCreated[] = L"after create thread.";
constexpr wchar_t kLogThreadFailed[] = L"create thread errlr.";
constexpr wchar_t kLogThreadStopping[] = L"get stop thread message";
constexpr wchar_t kLogThreadStopped[] = L"listen thread stoped";

// Log lines of menu construction and of the import, read by the same people and
// tools.
constexpr wchar_t kLogMenuAdded[] = L"added menu %ls, ret=%d";
constexpr wchar_t kLogEntryLeftOut[] = L"menu entry id=%d caption=\"%ls\" left out: %s %ls (%d)";
constexpr wchar_t kLogTakenOver[] = L"took over %d menu actions of another connection";
constexpr wchar_t kLogNotHidden[] = L"%s not hidden: %ls";  // the default command, the code
constexpr wchar_t kLogMenuDocument[] = L"menu document: ";
constexpr wchar_t kLogReferenceDimension[] =
    L"ProDbToMdl: dimension %d is a reference dimension; its row is skipped";
constexpr wchar_t kLogDrivenDimension[] =
    L"ProDbToMdl: dimension %d is driven by a relation; its row is skipped";

// Where a failure that no status record takes happened, in its log line
// "<where>: () error: <why>"; the same readers search for them.
constexpr wchar_t kWhereFileNew[] = L"File > New";
constexpr wchar_t kWhereFileOpen[] = L"File > Open";
constexpr wchar_t kWhereMenuPick[] = L"ProeMenuManager::OnMenuAction";
constexpr wchar_t kWhereMenuBuild[] = L"ProeMenuManager::CreateMenu";
constexpr wchar_t kWhereDisconnect[] = L"ProeAsynCommand::Disconnect";
constexpr wchar_t kHostCallFailed[] = L"the host's %ls failed (0x%08x)";  // method, HRESULT

}  // namespace fixed
