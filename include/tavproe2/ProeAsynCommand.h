#pragma once
// The command object: everything a host does with the CAD session after the
// connector joined it. Operations that can fail return 0 or -1 and leave the
// reason in m_nStatus / m_strStatus (0 and "" after a success).
//
// Binary layout (fixed): virtual table pointer, int m_nStatus, std::wstring
// m_strStatus. The operations are private in the class; a host calls them through
// IProeAsynCommand, whose slot order is the class's. Destroying the object (or
// calling Release) disconnects from the session. Call from one host thread at a
// time; a host may call again from inside its FireClickMenu handler.
#include <string>

#include "tavproe2/com.h"

namespace TAVCAX {
namespace TAVPROE2 {

class IProeAsynCommand {
 public:
  // Builds the host's menus, described by an XML document, on the CAD menu bar.
  virtual int CreateMenu(const wchar_t* menuXml) = 0;
  // Restores the session's default command and leaves the session.
  virtual void Disconnect() = 0;
  // True while the session answers.
  virtual bool ConnIsValid() = 0;
  // Loads a model file, shows it and makes its window current.
  virtual int OpenFile(const wchar_t* filePath) = 0;
  // Erases the current model (fileName is only shown to the user).
  virtual int CloseFile(const wchar_t* fileName) = 0;
  // Saves the current model; savedPath receives the full name of the new version.
  virtual int SaveFile(std::wstring& savedPath) = 0;
  // The full file names of every model the current model depends on, once each,
  // breadth first, joined by "|".
  virtual int GetDependencies(std::wstring& dependencies) = 0;
  // Exports the current model's items of the listed kinds into an SQLite file.
  virtual int RefreshTable(const wchar_t* kindList, const wchar_t* dbPath) = 0;
  // Writes the flagged rows of the SQLite file back into the current model.
  virtual int UpdateTable(const wchar_t* kindList, const wchar_t* dbPath) = 0;
  // The current model's full file name; fullName is unchanged when there is none.
  virtual void GetCurrentMdlFullName(std::wstring& fullName) = 0;
  // Disconnects; does not delete the object.
  virtual void Release() = 0;

 protected:
  IProeAsynCommand() = default;
  IProeAsynCommand(const IProeAsynCommand&) = default;
  IProeAsynCommand& operator=(const IProeAsynCommand&) = default;
  ~IProeAsynCommand() = default;  // no virtual destructor: the layout is fixed
};

class TAVPROE2_API ProeAsynCommand : public IProeAsynCommand {
 public:
  ProeAsynCommand();
  ProeAsynCommand(const ProeAsynCommand& other);
  ProeAsynCommand& operator=(const ProeAsynCommand& other);
  ~ProeAsynCommand();

  int m_nStatus;             // 0, or the failure code of the last operation
  std::wstring m_strStatus;  // "", or the failure text of the last operation

 private:
  int CreateMenu(const wchar_t* menuXml) override;
  void Disconnect() override;
  bool ConnIsValid() override;
  int OpenFile(const wchar_t* filePath) override;
  int CloseFile(const wchar_t* fileName) override;
  int SaveFile(std::wstring& savedPath) override;
  int GetDependencies(std::wstring& dependencies) override;
  int RefreshTable(const wchar_t* kindList, const wchar_t* dbPath) override;
  int UpdateTable(const wchar_t* kindList, const wchar_t* dbPath) override;
  void GetCurrentMdlFullName(std::wstring& fullName) override;
  void Release() override;

  void SetStatus(int code, const std::wstring& message);
};

}  // namespace TAVPROE2
}  // namespace TAVCAX
