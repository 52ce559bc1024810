/* ProMdl.h: models in the session: loading, display, saving, erasing,
 * identity (kind, name, file data) and first-level dependencies.
 *
 * Model handles belong to the session; arrays returned here are ProArrays the
 * caller frees with ProArrayFree. */
#ifndef TAV_TK_PROMDL_H
#define TAV_TK_PROMDL_H

#include <ProObjects.h>
#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Loads a model into memory (without displaying it). full_path is a path or a
 * bare name, with optional extension and version; type may be PRO_MDL_UNUSED
 * when full_path has an extension. */
ProError ProMdlLoad(ProPath full_path, ProMdlType type, ProBoolean ask_user_about_reps,
                    ProMdl* p_handle);

/* Loads a model by name and kind from the working directory / search path. */
ProError ProMdlRetrieve(ProFamilyName name, ProMdlType type, ProMdl* p_handle);

/* Shows the model in the current window (NULL redisplays the current one). */
ProError ProMdlDisplay(ProMdl model);

/* Writes the model's next file version. */
ProError ProMdlSave(ProMdl handle);

/* Erases the model and whatever it uses that nothing else uses. */
ProError ProMdlEraseAll(ProMdl model);

/* The current model; PRO_TK_BAD_CONTEXT when there is none. */
ProError ProMdlCurrentGet(ProMdl* p_handle);

/* Name, type, directory, device, host and version of the model's file. */
ProError ProMdlDataGet(ProMdl handle, ProMdldata* p_data);

ProError ProMdlTypeGet(ProMdl model, ProMdlType* p_type);
ProError ProMdlSubtypeGet(ProMdl model, ProMdlsubtype* p_subtype);

/* Finds a model already in session by name and kind. */
ProError ProMdlInit(ProName name, ProMdlType type, ProMdl* p_mdl_handle);

/* The models this model uses directly: a ProArray of ProModel. */
ProError ProMdlDependenciesList(ProMdl model, ProModel** p_dependencies_list, int* p_count);

/* The model as an item: the owner of model-level parameters and relations. */
ProError ProMdlToModelitem(ProMdl mdl, ProModelitem* p_model_item);

/* The window showing the model as its top object. */
ProError ProMdlWindowGet(ProMdl mdl, int* window_id);

/* All models of a kind in session: a ProArray of ProMdl. */
ProError ProSessionMdlList(ProMdlType model_type, ProMdl** p_model_array, int* p_count);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROMDL_H */
