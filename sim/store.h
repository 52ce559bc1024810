#pragma once
// The session's model store: every model in memory by handle and by (name, type),
// and every model-level operation the toolkit offers on them, answering with the
// published ProError codes. It knows nothing of sockets, clients, windows or the
// current model; the dispatcher decodes a request, calls one method here and
// encodes the outputs. Model files are read and written through sim/model_file.h.
//
// Threads: none of its own and not thread-safe; the dispatcher serialises every
// call with its session mutex.
//
// Conventions of every method:
// - The return value is a ProError; outputs are written only on PRO_TK_NO_ERROR,
//   unless a method says otherwise.
// - Handles (`mdl`) are positive integers, never reused; 0 or an unknown handle is
//   PRO_TK_BAD_INPUTS unless the published function names another code.
// - Items are ProModelitem values: (type, id, mdl). Features have type PRO_FEATURE
//   (3); dimensions PRO_DIMENSION (8), reference dimensions PRO_REF_DIMENSION (28);
//   the item of a model (ProMdlToModelitem) has the model's type (PRO_PART 2,
//   PRO_ASSEMBLY 1, PRO_DRAWING 4) and the model's handle as its id.
// - A relation set's item (ProRelset) carries its owner's type and id: the relset
//   of a feature is (3, feature id, mdl), the relset of a model is the model item.
// - Names are UTF-8. Model, feature and parameter names are kept upper case and
//   compared without regard to case; dimension symbols are kept lower case.
#include <ProToolkit.h>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sim/model.h"
#include "sim/position_index.h"

namespace sim {

class DirectoryVersions;  // sim/model_file.h

struct Item {
  int type = 0;
  int id = 0;
  int mdl = 0;
  bool operator==(const Item& o) const { return type == o.type && id == o.id && mdl == o.mdl; }
};

// ProMdldata as the session reports it.
struct ModelData {
  std::string name;    // upper case, "BRACKET"
  std::string type;    // upper case, "PRT"
  std::string path;    // directory, ends with '/'
  std::string device;  // empty on POSIX
  std::string host;    // empty
  int version = 0;
  int subclass = 0;  // the model's subtype
};

// A parameter handle (ProParameter): owner item and name.
struct ParamRef {
  Item owner;
  std::string name;
};

struct StoreOptions {
  std::string working_dir;               // ends with '/'; new models are saved here
  std::vector<std::string> search_path;  // directories searched after the working dir
};

class Store {
 public:
  explicit Store(StoreOptions options = {});

  // ---- Session configuration ---------------------------------------------------
  const StoreOptions& options() const { return options_; }
  void SetWorkingDir(const std::string& dir);  // adds a trailing '/'
  void SetSearchPath(std::vector<std::string> dirs);

  // ---- Models ------------------------------------------------------------------
  // ProMdlLoad. `path` is a file path or a bare name, with or without directory,
  // extension and version ("bracket", "bracket.prt", "/m/bracket.prt.3"). `type`
  // is a ProMdlType or PRO_MDL_UNUSED (-1) when the path has an extension. Without
  // a directory the working directory is searched, then the search path; without
  // a version the highest version there is loaded. A model already in memory under
  // that name and type is not read again: its handle is returned. Components and
  // drawing solids are loaded as dependencies (assembly's own directory first,
  // then working directory and search path); if one cannot be loaded nothing is
  // loaded. Codes: BAD_INPUTS (empty path, unknown type, extension and type
  // disagree), INVALID_NAME (name over 31 characters), E_NOT_FOUND (no such file,
  // or a dependency missing), CANT_OPEN (unreadable), INVALID_FILE (not a model
  // file of ours, or its content is inconsistent).
  // `explicit_load` marks the top model as opened by the user or a client.
  ProError Load(const std::string& path, int type, int* mdl, bool explicit_load = true);

  // File > New: an empty model named `name`. E_FOUND if one of that name and type
  // is in memory; BAD_INPUTS for an unknown type; INVALID_NAME for a bad name;
  // LINE_TOO_LONG over 31 characters. The model's directory is the working dir,
  // its version 0 until saved.
  ProError Create(const std::string& name, int type, int* mdl);

  // ProMdlSave: writes `<dir>/<name>.<type>.<n>` with n one above the highest
  // version present in the model's directory; never overwrites. The model's
  // version becomes n. Codes: BAD_INPUTS, CANT_WRITE.
  ProError Save(int mdl, int* new_version = nullptr);

  // ProMdlEraseAll: removes the model and every model it uses (through any depth)
  // that no other model left in memory uses. E_IN_USE if a model outside the
  // erased set uses `mdl`. `erased` (optional) receives the handles removed.
  ProError Erase(int mdl, std::vector<int>* erased = nullptr);

  // ProMdlInit: a model in memory by name and type. BAD_INPUTS for an empty name
  // or unknown type; E_NOT_FOUND when not in memory.
  ProError Init(const std::string& name, int type, int* mdl) const;
  ProError TypeGet(int mdl, int* type) const;
  ProError DataGet(int mdl, ModelData* data) const;
  // "/dir/name.type.version" in lower case name/type, as on disk.
  ProError FullFileName(int mdl, std::string* path) const;
  // ProMdlDependenciesList: first-level dependencies, each model once, in the
  // order first used (components in feature order, suppressed ones included;
  // a drawing's solids). A model without dependencies: NO_ERROR and an empty list.
  ProError Dependencies(int mdl, std::vector<ModelRef>* deps) const;
  // ProSessionMdlList: handles of the models of `type` in memory, in load order.
  // E_NOT_FOUND when there are none; BAD_INPUTS for an unknown type.
  ProError SessionModels(int type, std::vector<int>* mdls) const;
  // Every model in memory, in load order.
  std::vector<int> AllModels() const;
  // ProDrawingSolidsCollect: handles of the drawing's solids in memory.
  // BAD_INPUTS if not a drawing; E_NOT_FOUND if it shows none.
  ProError DrawingSolids(int mdl, std::vector<int>* solids) const;
  // ProMdlToModelitem.
  ProError ModelToItem(int mdl, Item* item) const;
  bool IsModelItem(const Item& item) const;  // item names a model (type 1/2/4)

  // Direct read access for the dispatcher and control commands; null if unknown.
  const Model* Find(int mdl) const;

  // ---- Components -----------------------------------------------------------------
  // ProAsmcompMdlGet: BAD_INPUTS if not a component feature; E_NOT_FOUND if its
  // model is not in memory.
  ProError AsmcompMdlGet(const Item& comp, int* mdl) const;
  // ProAsmcompMdlNameGet: works whether or not the model is in memory.
  ProError AsmcompMdlNameGet(const Item& comp, int* type, std::string* name) const;

  // ---- Features -------------------------------------------------------------------
  // ProFeatureInit: BAD_INPUTS (unknown model, or a drawing); NOT_EXIST (no such id).
  ProError FeatureInit(int mdl, int feat_id, Item* feat) const;
  // The feature an item names, for the feature getters (type, type name, subtype,
  // flags, statuses). BAD_INPUTS if the model is unknown or the item is not a
  // feature of it; INVALID_TYPE if item.type is not PRO_FEATURE (for
  // ProFeatureIsNcseq, which reports that code).
  ProError GetFeature(const Item& feat, const Feature** out) const;
  // ProSolidFeatstatusGet: every feature in order with its status.
  ProError FeatureStatuses(int mdl, std::vector<int>* ids, std::vector<int>* statuses) const;
  // ProSolidFailedFeatsList: E_NOT_FOUND when no feature failed.
  ProError FailedFeatures(int mdl, std::vector<int>* ids) const;
  // ProSolidFeatVisit's list: every feature (internal ones too), in order.
  ProError Features(int mdl, std::vector<Item>* feats) const;
  // ProFeatureDimensionVisit's list: the feature's dimensions in order (type 8, or
  // 28 for reference dimensions). Empty list: NO_ERROR.
  ProError FeatureDimensions(const Item& feat, std::vector<Item>* dims) const;

  // ---- Model items ---------------------------------------------------------------
  // ProModelitemInit for features, dimensions, reference dimensions and the model
  // item. BAD_INPUTS (unknown model, unsupported type); NOT_EXIST (no such item).
  ProError ModelitemInit(int mdl, int id, int type, Item* item) const;
  // ProModelitemNameGet: features (E_NOT_FOUND when unnamed) and dimensions (their
  // symbol). BAD_INPUTS for other types or unknown items.
  ProError ItemNameGet(const Item& item, std::string* name) const;
  // ProModelitemNameSet: LINE_TOO_LONG over 31 characters; INVALID_NAME (empty, or
  // characters other than letters, digits, '_' and '-'); E_FOUND when another
  // feature (dimension) of the model has that name; BAD_INPUTS otherwise.
  ProError ItemNameSet(const Item& item, const std::string& name);

  // ---- Dimensions -----------------------------------------------------------------
  // The dimension an item names; GENERAL_ERROR if none (the getters' code).
  ProError GetDimension(const Item& dim, const Dimension** out) const;
  // ProDimensionSymbolSet: stored lower case. BAD_INPUTS (empty, over 31
  // characters, not a name); NO_CHANGE when another dimension has that symbol.
  ProError DimensionSymbolSet(const Item& dim, const std::string& symbol);
  // ProDimensionValueSet: BAD_CONTEXT for a reference dimension or one driven by a
  // relation; BAD_INPUTS for an unknown item or a value that is not finite.
  ProError DimensionValueSet(const Item& dim, double value);
  // ProDimensionToltypeGet / Set: BAD_CONTEXT for a reference dimension.
  ProError DimensionToltypeGet(const Item& dim, int* tol_type) const;
  ProError DimensionToltypeSet(const Item& dim, int tol_type);
  // ProDimensionToleranceSet: BAD_CONTEXT for a reference dimension; BAD_INPUTS
  // for an unknown item or limits that are not finite.
  ProError DimensionToleranceSet(const Item& dim, double upper, double lower);

  // ---- Parameters -------------------------------------------------------------------
  // Owners are the model item or a feature item. ProParameterInit: BAD_INPUTS
  // (empty name); BAD_CONTEXT (no such owner); E_NOT_FOUND (no such parameter).
  ProError ParamInit(const Item& owner, const std::string& name, ParamRef* param) const;
  // ProParameterCreate: BAD_CONTEXT (no owner); BAD_INPUTS (bad value type, string
  // over 79 characters, name over 31); INVALID_NAME (not a parameter name);
  // E_FOUND (the owner has one of that name).
  ProError ParamCreate(const Item& owner, const std::string& name, const ParamValue& value,
                       ParamRef* param);
  // ProParameterDelete: E_NOT_FOUND (owner gone); GENERAL_ERROR (no such parameter).
  ProError ParamDelete(const ParamRef& param);
  // ProParameterValueGet: E_NOT_FOUND (owner gone); GENERAL_ERROR (no parameter).
  ProError ParamValueGet(const ParamRef& param, ParamValue* value) const;
  // ProParameterValueSet: as Get, plus BAD_INPUTS when the value's type differs
  // from the parameter's or a string is over 79 characters.
  ProError ParamValueSet(const ParamRef& param, const ParamValue& value);
  // ProParameterUnitsGet: E_NOT_FOUND for a unitless parameter; BAD_INPUTS when
  // the parameter does not exist.
  ProError ParamUnitsGet(const ParamRef& param, std::string* units) const;
  // The whole parameter (value, units, description); same codes as ValueGet.
  ProError ParamGet(const ParamRef& param, const Parameter** out) const;
  // ProParameterVisit's list: the owner's parameter names in order.
  // GENERAL_ERROR (owner not found). No parameters: NO_ERROR, empty list.
  ProError ParamList(const Item& owner, std::vector<std::string>* names) const;

  // ---- Relations ------------------------------------------------------------------------
  // ProModelitemToRelset: E_NOT_FOUND when the item has no relation set (or is
  // unknown); BAD_INPUTS for an item that cannot own one.
  ProError ItemToRelset(const Item& owner, Item* relset) const;
  // ProRelsetCreate: E_FOUND if it exists; BAD_INPUTS for an unknown owner.
  ProError RelsetCreate(const Item& owner, Item* relset);
  // ProRelsetRelationsGet: E_NOT_FOUND when there is no such set.
  ProError RelsetLinesGet(const Item& relset, std::vector<std::string>* lines) const;
  // ProRelsetRelationsSet: replaces the lines. Every line must parse (assignment,
  // comment or empty line); otherwise GENERAL_ERROR and nothing changes, and
  // `bad_line` (optional) receives the index of the first refused line.
  // E_NOT_FOUND when there is no such set.
  ProError RelsetLinesSet(const Item& relset, const std::vector<std::string>& lines,
                          int* bad_line = nullptr);

  // ---- Regeneration ---------------------------------------------------------------
  // ProSolidRegenerate: the models an assembly uses are regenerated first (each
  // once), then the model: its relation set, then its active features' sets in
  // feature order. Any error (division by zero, unknown name, wrong type, a value
  // outside a function's domain) gives GENERAL_ERROR and leaves every model
  // exactly as before; `error` (optional) receives a one-line reason.
  // BAD_INPUTS for an unknown model or a drawing.
  ProError Regenerate(int mdl, int flags, std::string* error = nullptr);

  // ---- Control and tests ------------------------------------------------------------
  // Adds a fully built model (as a test or the generator constructs it). The
  // store assigns the handle; E_FOUND if name/type are already in memory,
  // INVALID_FILE if the model breaks an invariant (duplicate ids, symbols, ...).
  ProError Adopt(Model model, int* mdl);
  // Validates and normalises a model's invariants (upper-case names, lower-case
  // symbols, unique ids and names, lengths); the reason on failure.
  static bool Normalise(Model& model, std::string* reason);

  // A one-line reason for the last failed Load, Save or Regenerate (file and
  // problem), for the control commands to print. Empty after a success.
  const std::string& last_error() const { return last_error_; }

 private:
  Model* FindMut(int mdl);
  // The model's feature or dimension with this id, or null (through indexes_).
  const Feature* FeatureOf(const Model& m, int id) const;
  const Dimension* DimensionOf(const Model& m, int id) const;
  Feature* FeatureMut(Model& m, int id);
  Dimension* DimensionMut(Model& m, int id);
  bool OwnerParams(const Item& owner, const std::vector<Parameter>** params) const;
  // The parameter `name` (any case) of `params`, which OwnerParams gave for
  // `owner`, or null.
  const Parameter* ParamOf(const Item& owner, const std::vector<Parameter>& params,
                           const std::string& name) const;
  std::vector<Parameter>* OwnerParamsMut(const Item& owner);
  const std::optional<RelationSet>* RelsetOf(const Item& owner) const;
  std::optional<RelationSet>* RelsetOfMut(const Item& owner);
  int FindByName(const std::string& name, int type) const;
  ProError LoadRecursive(const std::string& file, DirectoryVersions* versions,
                         std::vector<Model>* pending, std::vector<ModelRef>* chain, int depth);
  bool UsedByOthers(int mdl, const std::vector<int>& erased) const;

  StoreOptions options_;
  std::map<int, Model> models_;
  std::vector<int> order_;                              // handles in load order
  std::map<std::pair<int, std::string>, int> by_name_;  // (type, name) -> handle
  struct ItemIndexes {
    PositionIndex<int> features;
    PositionIndex<int> dimensions;
    PositionIndex<std::string> params;  // the model's own, by upper-case name
  };
  mutable std::map<int, ItemIndexes> indexes_;  // by handle; caches, not content
  int next_handle_ = 1;
  std::string last_error_;
};

}  // namespace sim
