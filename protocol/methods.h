#pragma once
// The methods of the wire, each defined once (docs/protocol.md): its request name,
// the element types of its `args` array and those of its `outs` array. The toolkit
// client packs its requests and reads the replies through these definitions, and
// the session decodes the requests and packs its answers through them, so the two
// sides cannot drift apart: a changed row changes both, and a side that no longer
// fits the row does not compile.
//
// A method M (protocol::method::ProMdlLoad, ...) has
//   M::kName  the request's name: the toolkit function's published name, or the
//             protocol's own request (hello, ping, bye, ctl);
//   M::Args   a std::tuple of the argument types, in published order; only `ctl`
//             takes a list of texts instead;
//   M::Outs   a std::tuple of the out types, in published order.
// CarriesOuts<M>(code) tells whether a reply with that code carries the outs.
// Everything here is types and pure functions; any thread may use them.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "protocol/message.h"
#include "protocol/values.h"

namespace protocol {
namespace method {

using Text = std::string;                  // UTF-8, wide or narrow on the toolkit's side
using NullableText = std::optional<Text>;  // nil for a null pointer the toolkit allows
using Flag = int;                          // ProBoolean: 0 or 1
using Values = std::vector<MessageValue>;  // a message's values, in argument order
using Handles = std::vector<ModelHandle>;

#define TAV_WIRE_TYPES(...) __VA_ARGS__
#define TAV_WIRE_METHOD(Name, ArgTypes, OutTypes)     \
  struct Name {                                       \
    static constexpr std::string_view kName = #Name;  \
    using Args = std::tuple<TAV_WIRE_TYPES ArgTypes>; \
    using Outs = std::tuple<TAV_WIRE_TYPES OutTypes>; \
  };

// clang-format off
// X(name, (argument types), (out types)); see docs/protocol.md for what each carries.
#define TAV_WIRE_METHODS(X)                                                                    \
  /* The connection: hello answers ProEngineerConnect with the process handle. */              \
  X(hello, (int /* version */, Text /* session id */, Text /* display */, Text /* user */,     \
            Text /* text path */, std::int64_t /* pid */, Text /* token */), (ProcessHandle))  \
  X(ping, (), ())                                                                              \
  X(bye, (), ())                                                                               \
  X(ProEngineerEnd, (), ())                                                                    \
  /* Models and windows */                                                                     \
  X(ProMdlLoad, (Text, int, Flag), (ModelHandle))                                              \
  X(ProMdlRetrieve, (Text, int), (ModelHandle))                                                \
  X(ProMdlDisplay, (ModelHandle), ())                                                          \
  X(ProMdlSave, (ModelHandle), ())                                                             \
  X(ProMdlEraseAll, (ModelHandle), ())                                                         \
  X(ProMdlCurrentGet, (), (ModelHandle))                                                       \
  X(ProMdlDataGet, (ModelHandle), (ModelData))                                                 \
  X(ProMdldataGet, (ModelHandle), (ModelData))                                                 \
  X(ProMdlTypeGet, (ModelHandle), (int))                                                       \
  X(ProMdlSubtypeGet, (ModelHandle), (int))                                                    \
  X(ProMdlInit, (Text, int), (ModelHandle))                                                    \
  X(ProMdlDependenciesList, (ModelHandle), (std::vector<Model>))                               \
  X(ProMdlToModelitem, (ModelHandle), (Item))                                                  \
  X(ProMdlWindowGet, (ModelHandle), (int))                                                     \
  X(ProSessionMdlList, (int), (Handles))                                                       \
  X(ProDrawingSolidsCollect, (ModelHandle), (Handles))                                         \
  X(ProAsmcompMdlGet, (Item), (ModelHandle))                                                   \
  X(ProAsmcompMdlNameGet, (Item), (int, Text))                                                 \
  X(ProWindowCurrentGet, (), (int))                                                            \
  X(ProWindowCurrentSet, (int), ())                                                            \
  X(ProWindowActivate, (int), ())                                                              \
  X(ProWindowCurrentClose, (), ())                                                             \
  X(ProWindowMdlGet, (int), (ModelHandle))                                                     \
  /* Features and solids */                                                                    \
  X(ProFeatureInit, (ModelHandle, int), (Item))                                                \
  X(ProFeatureTypeGet, (Item), (int))                                                          \
  X(ProFeatureTypenameGet, (Item), (Text))                                                     \
  X(ProFeatureSubtypeGet, (Item), (Text))                                                      \
  X(ProFeatureIsNcseq, (Item), (Flag))                                                         \
  X(ProFeatureIsIncomplete, (Item), (Flag))                                                    \
  X(ProFeatureIsReadonly, (Item), (Flag))                                                      \
  X(ProFeaturePatternStatusGet, (Item), (int))                                                 \
  X(ProFeatureGroupStatusGet, (Item), (int))                                                   \
  X(ProFeatureGrppatternStatusGet, (Item), (int))                                              \
  X(ProFeatureStatusGet, (Item), (int))                                                        \
  X(ProFeatureVisibilityGet, (Item), (Flag))                                                   \
  X(ProFeatureDimensionVisit, (Item), (std::vector<Item>))                                     \
  X(ProSolidFeatVisit, (ModelHandle), (std::vector<Item>))                                     \
  X(ProSolidFeatstatusGet, (ModelHandle), (std::vector<int>, std::vector<int>))                \
  X(ProSolidFailedFeatsList, (ModelHandle), (std::vector<int>))                                \
  X(ProSolidRegenerate, (ModelHandle, int), ())                                                \
  /* Dimensions */                                                                             \
  X(ProDimensionSymbolGet, (Item), (Text))                                                     \
  X(ProDimensionSymbolSet, (Item, Text), ())                                                   \
  X(ProDimensionValueGet, (Item), (double))                                                    \
  X(ProDimensionValueSet, (Item, double), ())                                                  \
  X(ProDimensionTypeGet, (Item), (int))                                                        \
  X(ProDimensionToltypeGet, (Item), (int))                                                     \
  X(ProDimensionToltypeSet, (Item, int), ())                                                   \
  X(ProDimensionToleranceGet, (Item), (double, double))                                        \
  X(ProDimensionToleranceSet, (Item, double, double), ())                                      \
  X(ProDimensionIsReldriven, (Item), (Flag))                                                   \
  /* Model items, parameters, relation sets */                                                 \
  X(ProModelitemInit, (ModelHandle, int /* id */, int /* type */), (Item))                     \
  X(ProModelitemNameGet, (Item), (Text))                                                       \
  X(ProModelitemNameSet, (Item, Text), ())                                                     \
  X(ProParameterInit, (Item, Text), (Parameter))                                               \
  X(ProParameterCreate, (Item, Text, ParamValue), (Parameter))                                 \
  X(ProParameterDelete, (Parameter), ())                                                       \
  X(ProParameterValueGet, (Parameter), (ParamValue))                                           \
  X(ProParameterValueSet, (Parameter, ParamValue), ())                                         \
  X(ProParameterUnitsGet, (Parameter), (Unit))                                                 \
  X(ProParameterVisit, (Item), (std::vector<Parameter>))                                       \
  X(ProModelitemToRelset, (Item), (Item))                                                      \
  X(ProRelsetCreate, (Item), (Item))                                                           \
  X(ProRelsetRelationsGet, (Item), (std::vector<Text>))                                        \
  X(ProRelsetRelationsSet, (Item, std::vector<Text>), ())                                      \
  /* Messages: ProMessageArgTypes is the protocol's own, asked before the other two. */        \
  X(ProMessageArgTypes, (Text /* file */, Text /* key */), (Text))                             \
  X(ProMessageDisplay, (Text, Text, Values), ())                                               \
  X(ProMessageToBuffer, (Text, Text, Values), (Text))                                          \
  X(ProMessageClear, (), ())                                                                   \
  /* Notifications, commands and the menu bar; ProCmdAccessUpdate is the protocol's own. */   \
  X(ProNotificationSet, (int /* type */, Flag /* registered */), ())                           \
  X(ProNotificationUnset, (int), ())                                                           \
  X(ProCmdActionAdd, (Text, int /* priority */, int /* access state */, Flag, Flag),           \
    (CommandId))                                                                               \
  X(ProCmdCmdIdFind, (Text), (CommandId))                                                      \
  X(ProCmdAccessFuncAdd, (CommandId, int /* access state */), (CommandId))                     \
  X(ProCmdAccessFuncRemove, (CommandId, CommandId), ())                                        \
  X(ProCmdAccessUpdate, (CommandId, CommandId /* access id, 0 */, int /* state */), ())        \
  X(ProMenubarMenuAdd, (Text, Text, NullableText, Flag, Text), ())                             \
  X(ProMenubarmenuMenuAdd, (Text, Text, Text, NullableText, Flag, Text), ())                   \
  X(ProMenubarmenuPushbuttonAdd,                                                               \
    (Text, Text, Text, Text, NullableText, Flag, CommandId, Text), ())
// clang-format on

TAV_WIRE_METHODS(TAV_WIRE_METHOD)
#undef TAV_WIRE_METHOD
#undef TAV_WIRE_TYPES

// `proe_sim ctl`: the args are the action and its arguments; the one out is the
// action's text, which explains a failure as well.
struct ctl {
  static constexpr std::string_view kName = "ctl";
  using Args = std::vector<Text>;
  using Outs = std::tuple<Text>;
};

template <class Sentinel, class... M>
struct ListAfter {
  using type = std::tuple<M...>;
};
#define TAV_WIRE_LIST_ENTRY(Name, ArgTypes, OutTypes) , Name
// The methods of the table, for the session to serve every one of them (ctl has
// a path of its own there).
using All = ListAfter<void TAV_WIRE_METHODS(TAV_WIRE_LIST_ENTRY)>::type;
#undef TAV_WIRE_LIST_ENTRY

}  // namespace method

// Whether a reply of method M with `code` carries the outs: success does; the
// rows below name the other cases.
template <class M>
constexpr bool CarriesOuts(int code) {
  return code == 0;
}
// PRO_TK_MSG_TOO_LONG (-32) still carries the text, cut to the line.
template <>
constexpr bool CarriesOuts<method::ProMessageToBuffer>(int code) {
  return code == 0 || code == -32;
}
template <>
constexpr bool CarriesOuts<method::ctl>(int) {
  return true;
}

namespace detail {

template <class T>
void ReadArray(const msgpack::object& array, T* out) {
  if (array.type != msgpack::type::ARRAY) throw msgpack::type_error();
  array.convert(*out);
}

template <class... T, std::size_t... I>
void ReadEach([[maybe_unused]] const msgpack::object* items, [[maybe_unused]] std::tuple<T...>* out,
              std::index_sequence<I...>) {
  (items[I].convert(std::get<I>(*out)), ...);
}

// A tuple reads only from an array of exactly its size.
template <class... T>
void ReadArray(const msgpack::object& array, std::tuple<T...>* out) {
  if (array.type != msgpack::type::ARRAY || array.via.array.size != sizeof...(T))
    throw msgpack::type_error();
  ReadEach(array.via.array.ptr, out, std::index_sequence_for<T...>{});
}

}  // namespace detail

template <class M>
std::string PackRequestOf(std::uint64_t seq, const typename M::Args& args) {
  return PackRequest(seq, M::kName, args);
}

// M's reply: with the outs when CarriesOuts<M>(code), else with none.
template <class M>
std::string PackReplyOf(std::uint64_t seq, int code, const typename M::Outs& outs) {
  if (!CarriesOuts<M>(code)) return PackReply(seq, code, "");
  return PackReply(seq, code, "", outs);
}

// A request's args and a reply's outs, read as method M declares them. Throws
// msgpack::type_error when the array does not have exactly that shape.
template <class M>
typename M::Args ArgsOf(const Message& request) {
  typename M::Args args{};
  detail::ReadArray(request.body, &args);
  return args;
}
template <class M>
typename M::Outs OutsOf(const Message& reply) {
  typename M::Outs outs{};
  detail::ReadArray(reply.body, &outs);
  return outs;
}

}  // namespace protocol
