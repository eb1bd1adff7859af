; Sunrise: a song of our own, made for trying the tool (the same song as sunrise.bin)
Sunrise_Header:
	smpsHeaderStartSong 1
	smpsHeaderVoice     Sunrise_Voices
	smpsHeaderChan      $04, $02
	smpsHeaderTempo     $02, $03

	smpsHeaderDAC       Sunrise_DAC
	smpsHeaderFM        Sunrise_FM1,	$00, $00
	smpsHeaderFM        Sunrise_FM2,	$F4, $02
	smpsHeaderFM        Sunrise_FM3,	$00, $04
	smpsHeaderPSG       Sunrise_PSG1,	$00, $02, $00, fTone_01
	smpsHeaderPSG       Sunrise_PSG2,	$00, $01, $00, fTone_02

; DAC Data
Sunrise_DAC:
	dc.b	dKick, $0C, dSnare, $0C, dKick, $06, dKick, $06, dSnare, $0C
	smpsLoop            $00, $03, Sunrise_DAC
	dc.b	dSnare, $06, dSnare, $06, dSnare, $06, dKick, $06
	smpsJump            Sunrise_DAC

; FM1 Data
Sunrise_FM1:
	smpsSetvoice        $00
	smpsPan             panCenter, $00

Sunrise_Jump00:
	smpsCall            Sunrise_Call00
	smpsCall            Sunrise_Call00
	smpsAlterPitch      $02
	smpsCall            Sunrise_Call00
	smpsAlterPitch      $FE
	dc.b	nC4, $18, nBb3, $0C, nAb3, $0C, nG3, $30
	smpsJump            Sunrise_Jump00

Sunrise_Call00:
	dc.b	nAb3, $0C, nC4, $0C, nEb4, $18, nCs4, $0C, nC4, $0C, nBb3, $18
	smpsReturn

; FM2 Data
Sunrise_FM2:
	smpsSetvoice        $01
	smpsPan             panLeft, $00
	smpsNoteFill        $04

Sunrise_Loop00:
	dc.b	nAb1, $0C, nAb1, $0C, nAb2, $0C, nAb1, $0C
	smpsLoop            $00, $04, Sunrise_Loop00
	dc.b	nFs1, $0C, nFs1, $0C, nFs2, $0C, nFs1, $0C, nE1, $0C, nE1, $0C
	dc.b	nE2, $0C, nE1, $0C
	smpsJump            Sunrise_Loop00

; FM3 Data
Sunrise_FM3:
	smpsSetvoice        $02
	smpsModSet          $0C, $01, $04, $06
	dc.b	nEb3, $30
	smpsAlterVol        $04
	dc.b	nG3, $30, smpsNoAttack, nG3, $30
	smpsModOff
	dc.b	nF3, $60
	smpsAlterVol        $FC
	dc.b	nEb3, $60
	smpsStop

; PSG1 Data
Sunrise_PSG1:
	dc.b	nAb5, $06, nB5, $06, nEb6, $06
	smpsLoop            $01, $02, Sunrise_PSG1
	smpsPSGAlterVol     $01
	dc.b	nCs6, $0C, nB5, $0C
	smpsPSGAlterVol     $FF
	smpsLoop            $00, $03, Sunrise_PSG1
	dc.b	nRst, $18
	smpsJump            Sunrise_PSG1

; PSG2 Data
Sunrise_PSG2:
	smpsPSGform         $E7
	dc.b	nA5, $06, nRst, $06, nA5, $06, nA5, $06, nRst, $0C, nA5, $0C
	smpsStop

Sunrise_Voices:
;	Voice $00
;	$3A
;	$01, $07, $31, $71, 	$8E, $8E, $8D, $53, 	$0E, $0E, $0E, $03
;	$00, $00, $00, $00, 	$1F, $FF, $1F, $0F, 	$18, $28, $27, $80
	smpsVcAlgorithm     $02
	smpsVcFeedback      $07
	smpsVcUnusedBits    $00
	smpsVcDetune        $07, $03, $00, $00
	smpsVcCoarseFreq    $01, $01, $07, $01
	smpsVcRateScale     $01, $02, $02, $02
	smpsVcAttackRate    $13, $0D, $0E, $0E
	smpsVcAmpMod        $00, $00, $00, $00
	smpsVcDecayRate1    $03, $0E, $0E, $0E
	smpsVcDecayRate2    $00, $00, $00, $00
	smpsVcDecayLevel    $00, $01, $0F, $01
	smpsVcReleaseRate   $0F, $0F, $0F, $0F
	smpsVcTotalLevel    $00, $27, $28, $18

;	Voice $01
;	$08
;	$0A, $70, $30, $00, 	$1F, $1F, $5F, $5F, 	$12, $0E, $0A, $0A
;	$00, $04, $04, $03, 	$2F, $2F, $2F, $2F, 	$24, $2D, $13, $80
	smpsVcAlgorithm     $00
	smpsVcFeedback      $01
	smpsVcUnusedBits    $00
	smpsVcDetune        $00, $03, $07, $00
	smpsVcCoarseFreq    $00, $00, $00, $0A
	smpsVcRateScale     $01, $01, $00, $00
	smpsVcAttackRate    $1F, $1F, $1F, $1F
	smpsVcAmpMod        $00, $00, $00, $00
	smpsVcDecayRate1    $0A, $0A, $0E, $12
	smpsVcDecayRate2    $03, $04, $04, $00
	smpsVcDecayLevel    $02, $02, $02, $02
	smpsVcReleaseRate   $0F, $0F, $0F, $0F
	smpsVcTotalLevel    $00, $13, $2D, $24

;	Voice $02
;	$2C
;	$71, $74, $32, $32, 	$1F, $12, $1F, $12, 	$00, $0A, $00, $0A
;	$00, $00, $00, $00, 	$0F, $1F, $0F, $1F, 	$16, $80, $17, $80
	smpsVcAlgorithm     $04
	smpsVcFeedback      $05
	smpsVcUnusedBits    $00
	smpsVcDetune        $03, $03, $07, $07
	smpsVcCoarseFreq    $02, $02, $04, $01
	smpsVcRateScale     $00, $00, $00, $00
	smpsVcAttackRate    $12, $1F, $12, $1F
	smpsVcAmpMod        $00, $00, $00, $00
	smpsVcDecayRate1    $0A, $00, $0A, $00
	smpsVcDecayRate2    $00, $00, $00, $00
	smpsVcDecayLevel    $01, $00, $01, $00
	smpsVcReleaseRate   $0F, $0F, $0F, $0F
	smpsVcTotalLevel    $00, $17, $00, $16
