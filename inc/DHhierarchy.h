// DHhierarchy.h -- hierarchical symmetry detection and multi-finger groups (src/hierarchy).
//
// Everything other subsystems may use of this subsystem.
#pragma once

int HierarchicalSymDetection();
int AttachPinsToNets();
int clusterTransistors();
int testClusterTransistors();
int WriteSubpyxisNetlist();
