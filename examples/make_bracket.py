#!/usr/bin/env python3
"""Writes bracket.json, the bundled example design (run from anywhere).

A small assembly in millimetres: a base plate with two legs (one component
placed twice, the second turned a quarter turn), a bolt placed once and hidden,
a plate whose top face carries a textured veneer while its other faces are
steel, and a hidden construction body. Lengths in the file are centimetres.
"""
import json
import os


def box(x0, y0, z0, x1, y1, z1, top_appearance=None):
    """Six faces, one mesh each: two triangles, per-node normals and UVs."""
    sides = [  # corner order counter-clockwise seen from outside, normal
        ([(x0, y0, z0), (x0, y1, z0), (x1, y1, z0), (x1, y0, z0)], (0, 0, -1)),
        ([(x0, y0, z1), (x1, y0, z1), (x1, y1, z1), (x0, y1, z1)], (0, 0, 1)),
        ([(x0, y0, z0), (x1, y0, z0), (x1, y0, z1), (x0, y0, z1)], (0, -1, 0)),
        ([(x1, y1, z0), (x0, y1, z0), (x0, y1, z1), (x1, y1, z1)], (0, 1, 0)),
        ([(x1, y0, z0), (x1, y1, z0), (x1, y1, z1), (x1, y0, z1)], (1, 0, 0)),
        ([(x0, y1, z0), (x0, y0, z0), (x0, y0, z1), (x0, y1, z1)], (-1, 0, 0)),
    ]
    faces = []
    for index, (corners, normal) in enumerate(sides):
        mesh = {
            "coordinates": [round(c, 4) for corner in corners for c in corner],
            "normals": list(normal) * 4,
            "textureCoordinates": [0, 0, 1, 0, 1, 1, 0, 1],
            "indices": [0, 1, 2, 0, 2, 3],
        }
        face = {"meshes": [mesh]}
        if index == 1 and top_appearance:
            face = {"appearance": top_appearance, "meshes": [mesh]}
        faces.append(face)
    return faces


design = {
    "document": {
        "name": "Bracket v3",
        "appearances": [
            {"id": "lv-steel-satin", "name": "Steel - Satin", "properties": [
                {"type": "other", "id": "surface_roughness", "objectType": "adsk::core::FloatProperty"},
                {"type": "color", "id": "metal_f0", "color": [181, 184, 189]}]},
            {"id": "lv-oak-veneer", "name": "Oak veneer", "properties": [
                {"type": "color", "id": "generic_diffuse", "color": [190, 140, 90],
                 "texture": {"properties": [
                     {"type": "other", "id": "unifiedbitmap_RealWorldScaleX",
                      "objectType": "adsk::core::FloatProperty"},
                     {"type": "filename", "id": "unifiedbitmap_Bitmap", "value": "textures/oak_veneer.png"}]}},
                {"type": "color", "id": "generic_reflectivity_tint", "color": [255, 255, 255]}]},
            {"id": "lv-paint-red", "name": "Paint - Enamel Glossy (Red)", "properties": [
                {"type": "color", "id": "opaque_albedo", "color": [200, 30, 25]}]},
            {"id": "lv-zinc", "name": "Zinc", "properties": [
                {"type": "color", "id": "metal_color", "color": [150, 155, 160]}]},
        ],
        "products": [{
            "type": "design",
            "units": "mm",
            "root": "Bracket",
            "components": [
                {"name": "Bracket",
                 "bodies": [
                     {"name": "Base plate", "appearance": "lv-steel-satin",
                      "faces": box(0, 0, 0, 8, 4, 0.5, top_appearance="lv-oak-veneer")},
                     {"name": "Construction block", "visible": False,
                      "faces": box(2, 1, 0.5, 6, 3, 1.5)}],
                 "occurrences": [
                     {"component": "Leg", "translation": [0.5, 0.5, -3]},
                     {"component": "Leg", "transform": [[0, -1, 0, 7.5], [1, 0, 0, 0.5],
                                                       [0, 0, 1, -3], [0, 0, 0, 1]]},
                     {"component": "Bolt", "visible": False, "translation": [3.8, 1.8, 0.5]}]},
                {"name": "Leg", "bodies": [
                    {"name": "Leg", "appearance": "lv-paint-red", "faces": box(0, 0, 0, 1, 3, 3)}]},
                {"name": "Bolt", "bodies": [
                    {"name": "Bolt", "appearance": "lv-zinc", "faces": box(0, 0, 0, 0.4, 0.4, 1.2)}]},
            ]}],
    },
    "camera": {"type": 1, "eye": [20, -25, 18], "target": [4, 2, 0], "up": [0, 0, 1], "viewAngle": 0.6},
    "preferences": {"defaultModelingOrientation": 1},
}


def compact(node, indent=0):
    """Pretty JSON with number arrays kept on one line."""
    pad = "  " * indent
    if isinstance(node, dict):
        items = [f'{pad}  {json.dumps(k)}: {compact(v, indent + 1).lstrip()}' for k, v in node.items()]
        return pad + "{\n" + ",\n".join(items) + "\n" + pad + "}"
    if isinstance(node, list) and node and all(isinstance(v, (dict, list)) for v in node):
        return pad + "[\n" + ",\n".join(compact(v, indent + 1) for v in node) + "\n" + pad + "]"
    return pad + json.dumps(node)


here = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(here, "bracket.json"), "w") as out:
    out.write(compact(design) + "\n")
