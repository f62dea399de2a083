;**********************************************************************
; Technology file of the example process (vendor format, rules only).
; A twin-well CMOS process with two polysilicon layers, a resistor poly
; and three metals, drawn at lambda = 1 um on a 0.1 um grid; the layer
; names are those of examples/example.bridge.  Values are micrometres.
;**********************************************************************

controls(
 techParams(
 ;( parameter    value )
  ( lambda       1.0 )
 ) ;techParams
) ;controls

layerDefinitions(
 techLayers(
 ;( LayerName  Layer#  Abbreviation )
  ( nwell      1       nwell )
  ( pwell      2       pwell )
  ( nselect    3       nselect )
  ( pselect    4       pselect )
  ( active     5       active )
  ( poly       6       poly )
  ( elec       7       elec )
  ( hres       8       hres )
  ( contact    9       contact )
  ( metal1     10      metal1 )
  ( via        11      via )
  ( metal2     12      metal2 )
  ( via2       13      via2 )
  ( metal3     14      metal3 )
  ( glass      15      glass )
 ) ;techLayers
) ;layerDefinitions

physicalRules(
 spacingRules(
 ;( rule         layer1     layer2     value )
  ( minWidth     "nwell"               10.0 )
  ( minWidth     "pwell"               10.0 )
  ( minWidth     "nselect"             2.0 )
  ( minWidth     "pselect"             2.0 )
  ( minWidth     "active"              3.0 )
  ( minWidth     "poly"                1.0 )
  ( minWidth     "elec"                1.0 )
  ( minWidth     "hres"                2.0 )
  ( minWidth     "metal1"              2.0 )
  ( minWidth     "metal2"              3.0 )
  ( minWidth     "metal3"              ( times 2 2.0 ) )
  ( minSpacing   "active"              2.0 )
  ( minSpacing   "poly"                2.0 )
  ( minSpacing   "poly"     "active"   1.0 )
  ( minSpacing   "elec"                3.0 )
  ( minSpacing   "contact"             2.0 )
  ( minSpacing   "metal1"              2.0 )
  ( minSpacing   "via"                 3.0 )
  ( minSpacing   "metal2"              4.0 )
  ( minSpacing   "metal3"              2.0 )
  ( minEnclosure "nwell"    "pselect"  ( difference 5.0 2.0 ) )
 ) ;spacingRules

 orderedSpacingRules(
 ;( rule         layer1     layer2     value )
  ( minEnclosure "nwell"    "active"   5.0 )
 ) ;orderedSpacingRules

 mfgGridResolution(
  ( 1.0e-1 )
 ) ;mfgGridResolution
) ;physicalRules

devices(
 tcCreateCDSDeviceClass(
 ) ;tcCreateCDSDeviceClass

 symContactDevice(
 ;( name      via      purpose  layer1  purpose1 layer2  purpose2 w   l
 ;  ( row column xPitch yPitch xBias yBias )    encByLayer1 encByLayer2 legalRegion )
  ( M1_ACTIVE contact  drawing  active  drawing  metal1  drawing  2.0 2.0
    ( 1 1 4.0 4.0 center center )              1.0         1.0         _NA_ )
  ( M1_POLY   contact  drawing  poly    drawing  metal1  drawing  2.0 2.0
    ( 1 1 4.0 4.0 center center )              1.0         1.0         _NA_ )
  ( M1_ELEC   contact  drawing  elec    drawing  metal1  drawing  2.0 2.0
    ( 1 1 4.0 4.0 center center )              1.0         1.0         _NA_ )
  ( M1_HRES   contact  drawing  hres    drawing  metal1  drawing  2.0 2.0
    ( 1 1 4.0 4.0 center center )              1.0         1.0         _NA_ )
  ( M2_M1     via      drawing  metal1  drawing  metal2  drawing  2.0 2.0
    ( 1 1 5.0 5.0 center center )              1.0         1.0         _NA_ )
  ( M3_M2     via2     drawing  metal2  drawing  metal3  drawing  2.0 2.0
    ( 1 1 5.0 5.0 center center )              1.0         1.0         _NA_ )
 ) ;symContactDevice

 symEnhancementDevice(
 ;( name  active  purpose  poly  purpose  w   l   activeExt polyExt
 ;  implant  purpose  implantEnclosure )
  ( nmos  active  drawing  poly  drawing  3.0 2.0 3.0       2.0
    nselect  drawing  1.0 )
  ( pmos  active  drawing  poly  drawing  3.0 2.0 3.0       2.0
    pselect  drawing  1.0 )
 ) ;symEnhancementDevice
) ;devices
