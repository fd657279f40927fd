"""The built shared libraries through ctypes: the reference every binding is
held against. VQ2D3D_LIBRARY and VQMATRICES_LIBRARY name the files."""
import ctypes as C
import ctypes.util
import os

import numpy as np

_matrices = C.CDLL(os.environ["VQMATRICES_LIBRARY"], mode=C.RTLD_GLOBAL)
_lib = C.CDLL(os.environ["VQ2D3D_LIBRARY"])

SUFFIX = {np.dtype(np.float32): "fl", np.dtype(np.float64): "dbl"}
CTYPE = {"fl": C.c_float, "dbl": C.c_double}


def _record(name, fields, ctype):
    return type(name, (C.Structure,), {"_fields_": [(f, ctype) for f in fields]})


HEL2DG_FIELDS = ("xm_origen", "ym_origen", "xm_destino", "ym_destino", "escala", "cos_giro", "sen_giro")
HEL2D_FIELDS = ("tx", "ty", "escala", "cos_giro", "sen_giro")
Hel2Dg = {s: _record("Hel2Dg_" + s, HEL2DG_FIELDS, t) for s, t in CTYPE.items()}
Hel2D = {s: _record("Hel2D_" + s, HEL2D_FIELDS, t) for s, t in CTYPE.items()}
Angulos = _record("Angulos", ("omega", "fi", "kappa"), C.c_double)
Angulos_fl = _record("Angulos_fl", ("omega", "fi", "kappa"), C.c_float)
SenCos = _record("SenCos", ("so", "co", "sf", "cf", "sk", "ck"), C.c_double)


def _polynomial(s, t):
    return type("Trans_Polinomica2D_" + s, (C.Structure,), {"_fields_": [
        ("tipo", C.c_uint32), ("xm_origen", t), ("ym_origen", t), ("x0_destino", t), ("y0_destino", t),
        ("coef_x", t * 9), ("coef_y", t * 9)]})


def _hel3dg(s, t):
    return type("Hel3Dg_" + s, (C.Structure,), {"_fields_": [
        *[(f, t) for f in ("xm_origen", "ym_origen", "zm_origen", "xm_destino", "ym_destino", "zm_destino",
                           "escala")], ("R", t * 9)]})


Polynomial = {s: _polynomial(s, t) for s, t in CTYPE.items()}
Hel3Dg = {s: _hel3dg(s, t) for s, t in CTYPE.items()}

P, U32, U64, I32 = C.c_void_p, C.c_uint32, C.c_uint64, C.c_int32
_SIGNATURES = {}
for s in CTYPE:
    _SIGNATURES.update({
        f"Hel2Dg___pp_{s}": (Hel2Dg[s], [P, P, U32]),
        f"Hel2D___Hel2Dg_{s}": (Hel2D[s], [Hel2Dg[s]]),
        f"Trans_Polinomica2D___puntosxy_{s}": (None, [P, P, U32]),
        f"transforma_punto2D_{s}": (None, [P, P]),
        f"Hel3Dg___ptr_{s}": (I32, [P, U32, P, I32, I32, P]),
        f"MatrizDeltafl_{s}": (C.c_float, [Angulos_fl, P]),
        f"convierte_en_R_{s}": (None, [P]),
        f"VQinvsim3_{s}": (None, [P]),
    })
for name in ("MatrizRotGT_ωφκ", "MatrizRotGT_κωφ", "MatrizRotGT_κwκ"):
    _SIGNATURES[name] = (None, [SenCos, P])
for name in ("MatrizRot_κωφ", "MatrizRot_20", "MatrizRot_24", "MatrizRot_26", "MatrizRot_28"):
    _SIGNATURES[name] = (None, [Angulos, P])
for name in ("Gmatriz_ωφκ_seg", "Gmatriz_24_seg"):
    _SIGNATURES[name] = (Angulos, [P])
_SIGNATURES["Getoffset_matriz"] = (Angulos, [P, P, P])
_SIGNATURES["Gmedio"] = (Angulos, [P, U32])
_SIGNATURES["Gmedio_pesos"] = (Angulos, [P, U32, P])

_MATRIX_SIGNATURES = {}
for s in CTYPE:
    for name in ("VQinvsim", "VQinvsim_pos", "VQinvsim_cho"):
        _MATRIX_SIGNATURES[f"{name}_{s}"] = (I32, [P, U32])
    _MATRIX_SIGNATURES[f"resuelve_sistema_sim_t_{s}"] = (I32, [P, P, U32])
    _MATRIX_SIGNATURES[f"resuelve_sistema_sim_t_2_{s}"] = (I32, [P, P, P, U32])


def _bind(lib, signatures):
    for name, (restype, argtypes) in signatures.items():
        f = getattr(lib, name)
        f.restype, f.argtypes = restype, argtypes
        globals()[name] = f


_bind(_lib, _SIGNATURES)
_bind(_matrices, _MATRIX_SIGNATURES)


# The C library's sine and cosine, the ones the rotation exports call
# (math.sin raises on infinity; numpy's np.sin may differ in the last bit).
_libm = C.CDLL(C.util.find_library("m"))
sin, cos = _libm.sin, _libm.cos
for _f in (sin, cos):
    _f.restype, _f.argtypes = C.c_double, [C.c_double]


def export(name, dtype):
    """The twin of `name` for dtype: export("Hel2Dg___pp", float32) is Hel2Dg___pp_fl."""
    return globals()[f"{name}_{SUFFIX[np.dtype(dtype)]}"]


def ptr(a):
    return a.ctypes.data


def pair_pointers(src, dst):
    """Pair-pointer array into the rows of two C-contiguous point arrays."""
    pointers = (P * (2 * len(src)))()
    for i in range(len(src)):
        pointers[2 * i] = src.ctypes.data + i * src.strides[0]
        pointers[2 * i + 1] = dst.ctypes.data + i * dst.strides[0]
    return pointers


def values(record):
    """The fields of a ctypes record, arrays flattened, as a float64 array."""
    out = []
    for name, _ in record._fields_:
        v = getattr(record, name)
        out.extend(v if isinstance(v, C.Array) else [v])
    return np.array(out, dtype=np.float64)
